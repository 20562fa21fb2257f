#include "imaging/pixel_buffer.h"

#include <sys/mman.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>
#include <utility>

namespace corvane {

namespace {

// Blocks below this size come from malloc's own heap cheaply anyway.
constexpr std::size_t kCacheMinBlock = std::size_t{1} << 20;
// Enough for the source and the result of a few concurrent entries.
constexpr std::size_t kCacheSlots = 6;
constexpr std::size_t kCacheMaxBytes = std::size_t{768} << 20;

// A fresh large block is faulted in one 4 KB page at a time, which costs
// more than the work done on it. Transparent huge pages, where the kernel
// offers them on request, cut that to one fault per 2 MB.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

void AdviseHugePages(std::uint8_t* data, std::size_t size) {
    if (size < 2 * kHugePage) return;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kHugePage - 1);
    // Only advice: where huge pages are off or refused, nothing changes.
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

struct Block {
    std::uint8_t* data = nullptr;
    std::size_t capacity = 0;
};

struct Cache {
    std::mutex mutex;
    std::array<Block, kCacheSlots> blocks{};
    std::size_t bytes = 0;

    // Smallest cached block that fits without wasting more than half of it.
    Block Take(std::size_t size) {
        std::lock_guard lock(mutex);
        Block* best = nullptr;
        for (auto& b : blocks)
            if (b.data && b.capacity >= size && b.capacity / 2 <= size &&
                (!best || b.capacity < best->capacity))
                best = &b;
        if (!best) return {};
        Block taken = std::exchange(*best, Block{});
        bytes -= taken.capacity;
        return taken;
    }

    bool Put(Block block) {
        std::lock_guard lock(mutex);
        if (bytes + block.capacity > kCacheMaxBytes) return false;
        for (auto& b : blocks)
            if (!b.data) {
                b = block;
                bytes += block.capacity;
                return true;
            }
        return false;
    }

    void Clear() {
        std::lock_guard lock(mutex);
        for (auto& b : blocks) {
            std::free(b.data);
            b = {};
        }
        bytes = 0;
    }
};

// Never destroyed, so buffers freed during static destruction still find it.
Cache& TheCache() {
    static Cache* cache = new Cache;
    return *cache;
}

}  // namespace

PixelBuffer::PixelBuffer(std::size_t size) {
    if (size == 0) return;
    if (size >= kCacheMinBlock) {
        Block b = TheCache().Take(size);
        if (b.data) {
            data_ = b.data;
            capacity_ = b.capacity;
            size_ = size;
            return;
        }
    }
    data_ = static_cast<std::uint8_t*>(std::malloc(size));
    if (!data_) throw std::bad_alloc();
    AdviseHugePages(data_, size);
    size_ = capacity_ = size;
}

PixelBuffer::PixelBuffer(PixelBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

PixelBuffer& PixelBuffer::operator=(PixelBuffer&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

PixelBuffer::~PixelBuffer() { Release(); }

void PixelBuffer::Release() {
    if (!data_) return;
    if (capacity_ < kCacheMinBlock || !TheCache().Put(Block{data_, capacity_})) std::free(data_);
    data_ = nullptr;
    size_ = capacity_ = 0;
}

void PixelBuffer::ReleaseCache() { TheCache().Clear(); }

}  // namespace corvane
