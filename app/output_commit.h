// The writing of a run's outputs. Each destination folder is cleared of the
// temporary files of earlier runs that were killed, the first time the run
// writes there; every output is committed durably (atomic_file_writer.h); and
// a file already at an output's name is dealt with by the existing-file
// setting: moved to the desktop trash through the host (the default),
// replaced, left with the entry skipped, or the run stopped. Files this run
// has written itself are replaced without question, so of two entries
// writing one name the later stays, whatever the setting.
//
// Overlapped (the sequential runner): the flushes to the disk, which cost
// about a tenth of an entry, run on helper threads while the next entry is
// read and converted. An output takes its name when the next output is
// written, or earlier when the next entry reads or writes that very file,
// and at the latest when the run ends (Run); the run reports its end only
// once every output is on the disk.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <utility>

#include "app/conversion_settings.h"
#include "app/output_writer.h"
#include "app/runner_host.h"
#include "imagefiles/atomic_file_writer.h"
#include "imaging/TBitmap.h"

namespace corvane {

inline constexpr const char* kExistsReason = "既に存在します";

enum class TCommitMode { Immediate, Overlapped };

class TOutputCommitter {
public:
    TOutputCommitter(TRunnerHost& host, TExistingPolicy policy, TCommitMode mode = TCommitMode::Immediate)
        : host_(host), policy_(policy), mode_(mode) {}
    ~TOutputCommitter();

    // Runs the entries, then gives the last output its name and waits for
    // every flush. After a failure the outputs of the entries before it are
    // still committed; a failure of theirs, being earlier, is the one raised.
    void Run(const std::function<void()>& entries);

    // Before an entry looks at its source or its target: an output still
    // waiting for its name gets it now if it is either file.
    void SettleIfInvolved(const std::string& sourcePath, const TOutputTarget& target);

    // Before the entry's source is read: false when an existing file is to
    // be left alone (the host is told the entry is skipped); EOutputExists
    // when the run is to stop there.
    bool ShouldWrite(int index, const TOutputTarget& target);

    // The picture through the target's writer (nothing for TWriterKind::None),
    // or bytes already encoded for it. The existing-file setting is applied
    // again at the commit, for a file that appeared meanwhile.
    void Write(int index, const TBitmap& picture, const TOutputTarget& target, int quality, bool progressive);
    void WriteBytes(int index, const TOutputTarget& target, std::span<const std::uint8_t> bytes);

private:
    struct TPending {
        int Index = 0;
        std::unique_ptr<AtomicFileWriter> Writer;
        std::string Id;  // the file it replaces, resolved
        std::future<void> Flushed;
    };

    // Commits the pending output (waiting for its flush first).
    void Settle();
    void Finish();
    void Store(int index, std::unique_ptr<AtomicFileWriter> writer);
    bool Commit(int index, AtomicFileWriter& writer);
    void EnterFolder(const std::string& path);
    bool WrittenByThisRun(const std::string& path) const;
    void Remember(const std::string& path);

    TRunnerHost& host_;
    const TExistingPolicy policy_;
    const TCommitMode mode_;
    std::optional<TPending> pending_;
    std::future<void> folderFlush_;              // of the last output named
    std::set<std::string> folders_;              // already cleared
    std::set<std::pair<dev_t, ino_t>> written_;  // files this run made
};

}  // namespace corvane
