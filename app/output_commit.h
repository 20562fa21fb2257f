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
#include "imaging/TBitmap.h"

namespace corvane {

inline constexpr const char* kExistsReason = "既に存在します";

class TOutputCommitter {
public:
    TOutputCommitter(TRunnerHost& host, TExistingPolicy policy) : host_(host), policy_(policy) {}

    // Before the entry's source is read: false when an existing file is to
    // be left alone (the host is told the entry is skipped); EOutputExists
    // when the run is to stop there.
    bool ShouldWrite(int index, const TOutputTarget& target);

    // The picture through the target's writer (nothing for TWriterKind::None),
    // or bytes already encoded for it. The existing-file setting is applied
    // again at the commit, for a file that appeared meanwhile. `metadata`:
    // what the output carries besides pixels (app/metadata_policy.h).
    void Write(int index, const TBitmap& picture, const TOutputTarget& target, int quality, bool progressive,
               const TImageMetadata* metadata = nullptr);
    void WriteBytes(int index, const TOutputTarget& target, std::span<const std::uint8_t> bytes);

private:
    void Commit(int index, AtomicFileWriter& writer);
    void EnterFolder(const std::string& path);
    bool WrittenByThisRun(const std::string& path) const;
    void Remember(const std::string& path);

    TRunnerHost& host_;
    const TExistingPolicy policy_;
    std::set<std::string> folders_;              // already cleared
    std::set<std::pair<dev_t, ino_t>> written_;  // files this run made
};

}  // namespace corvane
