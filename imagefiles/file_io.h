// Whole-file input; output goes through AtomicFileWriter (all or nothing,
// durable).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imagefiles/atomic_file_writer.h"

namespace corvane {

// A regular file opened for reading. Anything else (missing, a folder, a
// FIFO, a device, no access) raises EFOpenError with the path.
class InputFile {
public:
    explicit InputFile(const std::string& path);
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    std::uint64_t Size() const { return size_; }
    // Reads up to `size` bytes; returns how many were read (fewer only at
    // the end of the file). Raises EReadError on an I/O error.
    std::size_t Read(void* buffer, std::size_t size);
    // The same at `offset`, without moving the position Read goes on from.
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t size);

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// The whole file in memory.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

}  // namespace corvane
