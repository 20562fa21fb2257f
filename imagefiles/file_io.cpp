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
    if (fd_ < 0) throw EFOpenError(path);
    struct stat st{};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw EFOpenError(path);
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
            throw EReadError();
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
        for (std::size_t n; (n = file.Read(extra, sizeof extra)) > 0;) bytes.insert(bytes.end(), extra, extra + n);
    }
    return bytes;
}

namespace {

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// umask can only be read by setting it, so read it once, before any worker
// thread could create files.
const mode_t kCreationMode = [] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}();

}  // namespace

AtomicFileWriter::AtomicFileWriter(const std::string& path) : path_(path) {
    std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    if (name.empty()) throw EFCreateError(path);
    tempPath_ = DirectoryOf(path) + "/.corvane-" + std::to_string(::getpid()) + "-XXXXXX";
    fd_ = ::mkostemp(tempPath_.data(), O_CLOEXEC);
    if (fd_ < 0) throw EFCreateError(path);
    // mkstemp makes the file private; give it the mode a plain create would.
    ::fchmod(fd_, kCreationMode);
}

AtomicFileWriter::~AtomicFileWriter() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(tempPath_.c_str());
}

void AtomicFileWriter::Fail() {
    ::close(fd_);
    fd_ = -1;
    ::unlink(tempPath_.c_str());
    committed_ = true;  // nothing left to clean up
    throw EFCreateError(path_);
}

void AtomicFileWriter::Write(const void* data, std::size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail();
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
}

void AtomicFileWriter::Commit() {
    if (::close(fd_) != 0) {
        fd_ = -1;
        ::unlink(tempPath_.c_str());
        committed_ = true;
        throw EFCreateError(path_);
    }
    fd_ = -1;
    if (::rename(tempPath_.c_str(), path_.c_str()) != 0) {
        ::unlink(tempPath_.c_str());
        committed_ = true;
        throw EFCreateError(path_);
    }
    committed_ = true;
}

void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    AtomicFileWriter writer(path);
    writer.Write(bytes);
    writer.Commit();
}

}  // namespace corvane
