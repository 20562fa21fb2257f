#include "app/output_commit.h"

#include <sys/stat.h>

#include <cerrno>

#include "app/errors.h"
#include "imagefiles/bmp_writer.h"
#include "imagefiles/jpeg_image.h"
#include "imagefiles/temporary_files.h"

namespace corvane {

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

void TOutputCommitter::Commit(int index, AtomicFileWriter& writer) {
    // The new file is complete and on the disk before anything happens to
    // the old one.
    if (writer.CommitIfAbsent()) return Remember(writer.TargetPath());
    if (WrittenByThisRun(writer.TargetPath())) {
        writer.Commit();
        return Remember(writer.TargetPath());
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
            return;
        case TExistingPolicy::Stop:
            throw EOutputExists(writer.Path());
    }
    Remember(writer.TargetPath());
}

void TOutputCommitter::Write(int index, const TBitmap& picture, const TOutputTarget& target, int quality,
                             bool progressive, const TImageMetadata* metadata) {
    switch (target.Writer) {
        case TWriterKind::Bitmap: {
            EnterFolder(target.Path);
            AtomicFileWriter writer(target.Path);
            WriteBitmap(picture, writer,
                        metadata ? std::span(metadata->IccProfile) : std::span<std::uint8_t>());
            Commit(index, writer);
            break;
        }
        case TWriterKind::JPEG:
            // Encoded before the file is created: a failing encoder creates nothing.
            WriteBytes(index, target, EncodeJPEG(picture, quality, progressive, metadata));
            break;
        case TWriterKind::None:
            break;
    }
}

void TOutputCommitter::WriteBytes(int index, const TOutputTarget& target,
                                  std::span<const std::uint8_t> bytes) {
    if (target.Writer == TWriterKind::None) return;
    EnterFolder(target.Path);
    AtomicFileWriter writer(target.Path);
    writer.Write(bytes);
    Commit(index, writer);
}

}  // namespace corvane
