// Whole-file input and all-or-nothing output. Output goes to a temporary file
// in the destination folder and is renamed over the target only when every
// byte is written, so a failure never leaves a half-written file and an
// existing target stays untouched until the new one is complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

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

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// The whole file in memory.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

class AtomicFileWriter {
public:
    // Creates the temporary file; EFCreateError(path) when that fails (for
    // example when the folder does not exist).
    explicit AtomicFileWriter(const std::string& path);
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
    // Removes the temporary file unless Commit() succeeded.
    ~AtomicFileWriter();

    void Write(const void* data, std::size_t size);
    void Write(std::span<const std::uint8_t> bytes) { Write(bytes.data(), bytes.size()); }
    // Closes the temporary file and renames it over the target.
    void Commit();

private:
    void Fail();

    std::string path_;
    std::string tempPath_;
    int fd_ = -1;
    bool committed_ = false;
};

// Writes `bytes` to `path` through AtomicFileWriter.
void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace corvane
