#include "app/output_commit.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>

#include "app/errors.h"
#include "imagefiles/bmp_writer.h"
#include "imagefiles/jpeg_image.h"
#include "imagefiles/temporary_files.h"

namespace corvane {

namespace {

// One spelling per file for comparing paths: links followed, the folder
// made absolute. A file that does not exist yet is named by its folder.
std::string ResolvedPath(const std::string& path) {
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf)) return buf;
    const std::string folder = ExtractFilePath(path, PathStyle::Native);
    if (!::realpath(folder.empty() ? "." : folder.c_str(), buf)) return path;
    return std::string(buf) + "/" + ExtractFileName(path, PathStyle::Native);
}

}  // namespace

void TOutputCommitter::EnterFolder(const std::string& path) {
    const std::string folder = ExtractFilePath(path, PathStyle::Native);
    if (folders_.insert(folder).second) RemoveStaleTemporaries(folder);
}

bool TOutputCommitter::WrittenByThisRun(const std::string& path) const {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && written_.count({st.st_dev, st.st_ino});
}

void TOutputCommitter::Remember(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) written_.insert({st.st_dev, st.st_ino});
}

bool TOutputCommitter::ShouldWrite(int index, const TOutputTarget& target) {
    if (target.Writer == TWriterKind::None) return true;
    struct stat st {};
    // A link to nothing counts as free: the file it names is then created.
    if (::stat(target.Path.c_str(), &st) != 0 || WrittenByThisRun(target.Path)) return true;
    switch (policy_) {
        case TExistingPolicy::Trash:
        case TExistingPolicy::Replace:
            return true;
        case TExistingPolicy::Skip:
            host_.EntrySkipped(index, target.Path, kExistsReason);
            return false;
        case TExistingPolicy::Stop:
            break;
    }
    throw EOutputExists(target.Path);
}

bool TOutputCommitter::Commit(int index, AtomicFileWriter& writer) {
    // The new file is complete and on the disk before anything happens to
    // the old one.
    if (mode_ == TCommitMode::Overlapped) writer.DeferFolderFlush();
    if (writer.CommitIfAbsent()) {
        Remember(writer.TargetPath());
        return true;
    }
    if (WrittenByThisRun(writer.TargetPath())) {
        writer.Commit();
        Remember(writer.TargetPath());
        return true;
    }
    switch (policy_) {
        case TExistingPolicy::Trash:
            host_.MoveToTrash(writer.TargetPath());
            // Something that took the name in between stays; the new file does not replace it.
            if (!writer.CommitIfAbsent()) throw EFCreateError(writer.Path(), EEXIST);
            break;
        case TExistingPolicy::Replace:
            writer.Commit();
            break;
        case TExistingPolicy::Skip:
            host_.EntrySkipped(index, writer.Path(), kExistsReason);
            return false;
        case TExistingPolicy::Stop:
            throw EOutputExists(writer.Path());
    }
    Remember(writer.TargetPath());
    return true;
}

TOutputCommitter::~TOutputCommitter() {
    // Only after a failure that Run did not see: the helper threads are
    // waited for, the pending output is dropped (its temporary file goes).
    if (pending_ && pending_->Flushed.valid()) pending_->Flushed.wait();
    if (folderFlush_.valid()) folderFlush_.wait();
}

void TOutputCommitter::Run(const std::function<void()>& entries) {
    try {
        entries();
    } catch (...) {
        Finish();
        throw;
    }
    Finish();
}

void TOutputCommitter::Finish() {
    Settle();
    if (folderFlush_.valid()) folderFlush_.get();
}

void TOutputCommitter::Settle() {
    if (!pending_) return;
    TPending pending = std::move(*pending_);
    pending_.reset();
    pending.Flushed.get();  // a failed flush has removed its temporary file
    const bool named = Commit(pending.Index, *pending.Writer);
    if (folderFlush_.valid()) folderFlush_.get();  // it has had a whole entry's time
    if (named)
        folderFlush_ =
            std::async(std::launch::async, [writer = std::move(pending.Writer)] { writer->FlushFolder(); });
}

void TOutputCommitter::Store(int index, std::unique_ptr<AtomicFileWriter> writer) {
    if (mode_ == TCommitMode::Immediate) {
        Commit(index, *writer);
        return;
    }
    TPending pending;
    pending.Index = index;
    pending.Id = ResolvedPath(writer->TargetPath());
    AtomicFileWriter* w = writer.get();
    pending.Flushed = std::async(std::launch::async, [w] { w->Flush(); });
    pending.Writer = std::move(writer);
    pending_ = std::move(pending);
}

void TOutputCommitter::SettleIfInvolved(const std::string& sourcePath, const TOutputTarget& target) {
    if (!pending_) return;
    if (ResolvedPath(sourcePath) == pending_->Id ||
        (target.Writer != TWriterKind::None && ResolvedPath(target.Path) == pending_->Id))
        Settle();
}

void TOutputCommitter::Write(int index, const TBitmap& picture, const TOutputTarget& target, int quality,
                             bool progressive) {
    switch (target.Writer) {
        case TWriterKind::Bitmap: {
            Settle();
            EnterFolder(target.Path);
            auto writer = std::make_unique<AtomicFileWriter>(target.Path);
            WriteBitmap(picture, *writer);
            Store(index, std::move(writer));
            break;
        }
        case TWriterKind::JPEG:
            // Encoded before the file is created: a failing encoder creates nothing.
            WriteBytes(index, target, EncodeJPEG(picture, quality, progressive));
            break;
        case TWriterKind::None:
            break;
    }
}

void TOutputCommitter::WriteBytes(int index, const TOutputTarget& target,
                                  std::span<const std::uint8_t> bytes) {
    if (target.Writer == TWriterKind::None) return;
    Settle();
    EnterFolder(target.Path);
    auto writer = std::make_unique<AtomicFileWriter>(target.Path);
    writer->Write(bytes);
    Store(index, std::move(writer));
}

}  // namespace corvane
