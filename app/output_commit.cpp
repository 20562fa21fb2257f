#include "app/output_commit.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>

#include "app/errors.h"
#include "app/file_identity.h"
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

void TOutputCommitter::PlanWrite(const TOutputTarget& target) {
    if (target.Writer != TWriterKind::None) planned_.insert(FileIdentity(target.Path));
}

bool TOutputCommitter::Planned(const std::string& path) const {
    return !planned_.empty() && planned_.count(FileIdentity(path));
}

TExistingAction TOutputCommitter::ActionFor(const TOutputTarget& target) const {
    if (target.Writer == TWriterKind::None) return TExistingAction::Unknown;
    if (Planned(target.Path)) return TExistingAction::ReplaceOwn;
    struct stat st {};
    // A link to nothing counts as free: the file it names is then created.
    if (::stat(target.Path.c_str(), &st) != 0) return TExistingAction::NewFile;
    if (WrittenByThisRun(target.Path)) return TExistingAction::ReplaceOwn;
    switch (policy_) {
        case TExistingPolicy::Trash:
            return TExistingAction::Trash;
        case TExistingPolicy::Replace:
            return TExistingAction::Replace;
        case TExistingPolicy::Skip:
        case TExistingPolicy::Stop:
            break;
    }
    return TExistingAction::Keep;
}

bool TOutputCommitter::ShouldWrite(const TOutputTarget& target) {
    if (ActionFor(target) != TExistingAction::Keep) return true;
    if (policy_ == TExistingPolicy::Skip) return false;
    throw EOutputExists(target.Path);
}

bool TOutputCommitter::Commit(AtomicFileWriter& writer) {
    // The new file is complete and on the disk before anything happens to
    // the old one.
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
            return false;
        case TExistingPolicy::Stop:
            throw EOutputExists(writer.Path());
    }
    Remember(writer.TargetPath());
    return true;
}

bool TOutputCommitter::WriteBytes(const TOutputTarget& target, std::span<const std::uint8_t> bytes) {
    if (target.Writer == TWriterKind::None) return false;
    EnterFolder(target.Path);
    AtomicFileWriter writer(target.Path);
    writer.Write(bytes);
    return Commit(writer);
}

}  // namespace corvane
