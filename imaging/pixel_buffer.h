// Pixel memory with a small process-wide cache of freed large blocks. On
// these machines the kernel's first touch of freshly mapped memory costs more
// than the work done on it, so a batch reuses the blocks of the previous
// picture instead of returning them to the system after every entry. Only
// free memory is cached, never a picture.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane {

class PixelBuffer {
public:
    PixelBuffer() = default;
    // Contents are unspecified; callers fill what they need.
    explicit PixelBuffer(std::size_t size);
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;
    PixelBuffer(PixelBuffer&& other) noexcept;
    PixelBuffer& operator=(PixelBuffer&& other) noexcept;
    ~PixelBuffer();

    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

    // Drops every cached free block (tests, or when memory is wanted back).
    static void ReleaseCache();

private:
    void Release();

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace corvane
