#include "imagefiles/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "imaging/errors.h"

namespace corvane {

InputFile::InputFile(const std::string& path) {
    // O_NONBLOCK so that opening a FIFO never waits for a writer.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) throw EFOpenError(path, errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        // A FIFO or a device has no errno to show; a folder has.
        const int error = S_ISDIR(st.st_mode) ? EISDIR : 0;
        ::close(fd_);
        fd_ = -1;
        throw EFOpenError(path, error);
    }
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    size_ = static_cast<std::uint64_t>(st.st_size);
}

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::size_t InputFile::Read(void* buffer, std::size_t size) {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd_, out + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EReadError(errno);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t InputFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd_, out + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EReadError(errno);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    InputFile file(path);
    std::vector<std::uint8_t> bytes;
    // The size can change under us; read until the end either way.
    bytes.resize(static_cast<std::size_t>(file.Size()));
    std::size_t got = file.Read(bytes.data(), bytes.size());
    bytes.resize(got);
    if (got == file.Size()) {
        std::uint8_t extra[4096];
        for (std::size_t n; (n = file.Read(extra, sizeof extra)) > 0;)
            bytes.insert(bytes.end(), extra, extra + n);
    }
    return bytes;
}

}  // namespace corvane
