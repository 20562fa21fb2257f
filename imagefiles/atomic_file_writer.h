// All-or-nothing, durable output. The new content goes to a temporary file in
// the target's folder, is flushed to the disk, and only then takes the
// target's name; the folder is flushed after that. After a failure, a kill, a
// crash or a power cut the name holds the old file or the new one, whole.
//
// Where the file system can make a file without a name (O_TMPFILE) the
// temporary file has none until it is complete, so a killed process leaves
// nothing behind. Elsewhere it is a hidden ".corvane-PID-XXXXXX" that is
// removed on failure, on SIGINT, SIGTERM and SIGHUP, and by a later run once
// its process is gone (temporary_files.h).
//
// The target's rights hold. A target the user could not open for writing
// (its mode, a read-only mount, the immutable or append-only flag) is refused
// before anything is written. A replaced file keeps its permission bits (less
// the set-ID bits) and, where the process may set them, its owner and group
// (root: both; a user: a group of theirs). A target that is a symbolic link
// stays a link: the file it names is replaced, in that file's folder.
//
// Hard links: the name written is given the new file; other names of the old
// file (hard links to it) keep the old content. Extended attributes and ACLs
// of the old file are not carried over.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace corvane {

enum class TTemporaryKind {
    Unnamed,  // O_TMPFILE where the file system has it, else Named
    Named,
};

class AtomicFileWriter {
public:
    // Opens the folder and creates the temporary file; EFCreateError(path)
    // when that fails (for example when the folder does not exist).
    explicit AtomicFileWriter(const std::string& path, TTemporaryKind kind = TTemporaryKind::Unnamed);
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
    // Drops the temporary file unless a commit gave it the name.
    ~AtomicFileWriter();

    void Write(const void* data, std::size_t size);
    void Write(std::span<const std::uint8_t> bytes) { Write(bytes.data(), bytes.size()); }
    // Puts the content on the disk; the commits do it first if not yet done.
    void Flush();
    // Gives the new file the target's name, replacing whatever is there.
    void Commit();
    // The same only while the name is free; false when a file has it, and
    // the writer stays as it was (it may still be committed or dropped).
    bool CommitIfAbsent();

    // The commits leave the folder's flush to FlushFolder, for a caller that
    // runs it on another thread. Until then the new name may be lost in a
    // crash (the old file, whole, is then found), never the content.
    void DeferFolderFlush() { deferFolderFlush_ = true; }
    void FlushFolder();

    const std::string& Path() const { return path_; }
    // The file replaced: the path, or what the symbolic link there names.
    const std::string& TargetPath() const { return target_; }
    // The target as it was when the writer was opened, if it existed.
    const std::optional<struct stat>& ExistingTarget() const { return existing_; }
    bool UsesNamedTemporary() const { return !tempName_.empty(); }

private:
    [[noreturn]] void Fail(int error);
    void CheckExistingTarget();
    void TakeOverRights();
    // Links the unnamed file in under `name`; 0 or the errno.
    int LinkAs(const std::string& name);
    // After the new file has its name: flushes the folder.
    void Finish();
    void Close();

    std::string path_;
    std::string target_;
    std::string name_;  // the target's name in its folder
    std::optional<struct stat> existing_;
    int folderFd_ = -1;
    int fd_ = -1;
    std::string tempName_;  // empty for an unnamed temporary file
    int signalSlot_ = -1;
    bool flushed_ = false;
    bool deferFolderFlush_ = false;
    bool committed_ = false;
};

// Writes `bytes` to `path` through AtomicFileWriter.
void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace corvane
