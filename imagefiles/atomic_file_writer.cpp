#include "imagefiles/atomic_file_writer.h"

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "imagefiles/temporary_files.h"
#include "imaging/errors.h"

namespace corvane {

namespace {

// An unnamed file is linked in through its /proc entry: linkat with
// AT_EMPTY_PATH would need a capability a user does not have.
const bool kProcFdUsable = ::access("/proc/self/fd", X_OK) == 0;

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a path names once symbolic links at its end are followed (a
// link's relative target is taken from the link's folder). The folders on the
// way are left to the kernel. 0 or the errno.
int FollowLinks(const std::string& path, std::string& target) {
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0) return errno;
        if (static_cast<std::size_t>(n) == link.size()) return ENAMETOOLONG;
        link.resize(static_cast<std::size_t>(n));
        target = link.front() == '/' ? link : FolderOf(target) + "/" + link;
    }
    return ELOOP;
}

bool TmpFileUnsupported(int error) {
    // EISDIR from kernels that predate O_TMPFILE (it includes O_DIRECTORY),
    // EOPNOTSUPP from file systems without it.
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(const std::string& path, TTemporaryKind kind) : path_(path) {
    if (const int error = FollowLinks(path_, target_)) Fail(error);
    name_ = NameOf(target_);
    if (name_.empty() || name_ == "." || name_ == "..") Fail(EISDIR);
    folderFd_ = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd_ < 0) Fail(errno);
    CheckExistingTarget();

    if (kind == TTemporaryKind::Unnamed && kProcFdUsable) {
        // The mode is that of a plain create: 0666 less the umask.
        fd_ = ::openat(folderFd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ < 0 && !TmpFileUnsupported(errno)) Fail(errno);
    }
    for (int tries = 0; fd_ < 0; ++tries) {
        std::string name = NewTemporaryName();
        fd_ = ::openat(folderFd_, name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            tempName_ = std::move(name);
            signalSlot_ = RegisterTemporary(folderFd_, tempName_);
        } else if (errno != EEXIST || tries == 100) {
            Fail(errno);
        }
    }
    if (existing_) TakeOverRights();
}

void AtomicFileWriter::CheckExistingTarget() {
    struct stat st {};
    if (::fstatat(folderFd_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) Fail(errno);
        return;
    }
    if (S_ISDIR(st.st_mode)) Fail(EISDIR);
    // The rename needs only the folder's permission; the file's own (its
    // mode, a read-only mount, the immutable flag, an ACL) decides whether
    // the user may change it, and a plain open for writing asks exactly
    // that, without changing it.
    const int probe = ::openat(folderFd_, name_.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (probe < 0) Fail(errno);
    ::close(probe);
    existing_ = st;
}

void AtomicFileWriter::TakeOverRights() {
    // Owner and group first: a change of owner clears the set-ID bits that
    // fchmod would set. Only root may give a file away; a user may still set
    // a group of theirs. Where neither is allowed the new file is the user's.
    if (::fchown(fd_, existing_->st_uid, existing_->st_gid) != 0)
        ::fchown(fd_, static_cast<uid_t>(-1), existing_->st_gid);
    // Set-ID bits are not carried over onto new content.
    if (::fchmod(fd_, existing_->st_mode & 01777) != 0) Fail(errno);
}

AtomicFileWriter::~AtomicFileWriter() {
    Close();
    if (!committed_ && !tempName_.empty()) ::unlinkat(folderFd_, tempName_.c_str(), 0);
    ForgetTemporary(signalSlot_);
    if (folderFd_ >= 0) ::close(folderFd_);
}

void AtomicFileWriter::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void AtomicFileWriter::Fail(int error) {
    Close();
    if (!tempName_.empty() && folderFd_ >= 0) ::unlinkat(folderFd_, tempName_.c_str(), 0);
    ForgetTemporary(signalSlot_);
    signalSlot_ = -1;
    tempName_.clear();
    if (folderFd_ >= 0) ::close(folderFd_);
    folderFd_ = -1;
    committed_ = true;  // nothing left to clean up
    throw EFCreateError(path_, error);
}

void AtomicFileWriter::Write(const void* data, std::size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
}

void AtomicFileWriter::Flush() {
    if (flushed_) return;
    // Without this a crash soon after the rename can leave the name on an
    // empty file: the rename reaches the disk before the data does.
    if (::fsync(fd_) != 0) Fail(errno);
    flushed_ = true;
}

int AtomicFileWriter::LinkAs(const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    return ::linkat(AT_FDCWD, self.c_str(), folderFd_, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

void AtomicFileWriter::Commit() {
    Flush();
    if (tempName_.empty()) {
        const int error = LinkAs(name_);  // a free name takes the file directly
        if (error == 0) return Finish();
        if (error != EEXIST) Fail(error);
        // The name is taken: link under a temporary name and rename that over it.
        for (int tries = 0; tempName_.empty(); ++tries) {
            std::string name = NewTemporaryName();
            if (const int e = LinkAs(name); e != 0) {
                if (e != EEXIST || tries == 100) Fail(e);
                continue;
            }
            tempName_ = std::move(name);
            signalSlot_ = RegisterTemporary(folderFd_, tempName_);
        }
    }
    if (::renameat(folderFd_, tempName_.c_str(), folderFd_, name_.c_str()) != 0) Fail(errno);
    Finish();
}

void AtomicFileWriter::Finish() {
    // The temporary name, if any, is gone: nothing is removed from here on.
    ForgetTemporary(signalSlot_);
    signalSlot_ = -1;
    tempName_.clear();
    committed_ = true;
    Close();
    if (!deferFolderFlush_) FlushFolder();
}

void AtomicFileWriter::FlushFolder() {
    // The new name is on the disk only once its folder is.
    if (folderFd_ >= 0 && ::fsync(folderFd_) != 0) Fail(errno);
}

bool AtomicFileWriter::CommitIfAbsent() {
    Flush();
    if (tempName_.empty()) {
        if (const int error = LinkAs(name_); error != 0) {
            if (error == EEXIST) return false;
            Fail(error);
        }
    } else if (::renameat2(folderFd_, tempName_.c_str(), folderFd_, name_.c_str(), RENAME_NOREPLACE) != 0) {
        if (errno == EEXIST) return false;
        if (errno != EINVAL && errno != ENOSYS) Fail(errno);
        // A file system without the no-replace rename: a hard link fails
        // on an existing name just the same.
        if (::linkat(folderFd_, tempName_.c_str(), folderFd_, name_.c_str(), 0) != 0) {
            if (errno == EEXIST) return false;
            Fail(errno);
        }
        ::unlinkat(folderFd_, tempName_.c_str(), 0);
    }
    Finish();
    return true;
}

void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    AtomicFileWriter writer(path);
    writer.Write(bytes);
    writer.Commit();
}

}  // namespace corvane
