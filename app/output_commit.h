// The writing of a run's outputs. Each destination folder is cleared of the
// temporary files of earlier runs that were killed, the first time the run
// writes there; every output is committed durably (atomic_file_writer.h); and
// a file already at an output's name is dealt with by the existing-file
// setting: moved to the desktop trash through the host (the default),
// replaced, left with the entry skipped, or the run stopped. Files this run
// has written itself are replaced without question, so of two entries
// writing one name the later stays, whatever the setting.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <utility>

#include "app/conversion_settings.h"
#include "app/output_writer.h"
#include "app/runner_host.h"
#include "imagefiles/atomic_file_writer.h"

namespace corvane {

inline constexpr const char* kExistsReason = "既に存在します";

class TOutputCommitter {
public:
    TOutputCommitter(TRunnerHost& host, TExistingPolicy policy) : host_(host), policy_(policy) {}

    // Before the entry's source is read: false when an existing file is to
    // be left alone (the entry is then skipped with kExistsReason);
    // EOutputExists when the run is to stop there.
    bool ShouldWrite(const TOutputTarget& target);

    // Bytes already encoded for the target's writer (nothing for
    // TWriterKind::None). The existing-file setting is applied again at the
    // commit, for a file that appeared meanwhile: false when it was left alone.
    bool WriteBytes(const TOutputTarget& target, std::span<const std::uint8_t> bytes);

    // What the commit would do now to a file at the target's name (the
    // Stop policy's files are Keep here; ShouldWrite raises for them).
    TExistingAction ActionFor(const TOutputTarget& target) const;

    // A plan: the target counts as written by this run from now on, and a
    // later entry reading it reads an output of this run.
    void PlanWrite(const TOutputTarget& target);
    bool Planned(const std::string& path) const;

private:
    bool Commit(AtomicFileWriter& writer);
    void EnterFolder(const std::string& path);
    bool WrittenByThisRun(const std::string& path) const;
    void Remember(const std::string& path);

    TRunnerHost& host_;
    const TExistingPolicy policy_;
    std::set<std::string> folders_;              // already cleared
    std::set<std::pair<dev_t, ino_t>> written_;  // files this run made
    std::set<std::string> planned_;              // PlanWrite's names, folders resolved
};

}  // namespace corvane
