// What corvane-batch says of a run besides its progress: a warning for every
// entry that wrote nothing and for every output path written a second time,
// each failure named by its entry, the closing count and the exit status.
// The same report serves --plan, whose outcomes say what the run would do.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/entry_outcome.h"
#include "app/file_identity.h"

namespace corvane {

// Exit statuses of corvane-batch.
inline constexpr int kExitAllWritten = 0;  // every entry asked for was written
inline constexpr int kExitFailed = 1;      // a failure ended the run, or entries failed (--keep-going)
inline constexpr int kExitRefused = 2;     // options or list refused: nothing read or written
inline constexpr int kExitIncomplete = 3;  // the run finished, some entries wrote nothing

class TRunReport {
public:
    // Lines for standard error as the entry ends: a warning when it wrote
    // nothing or wrote a path an earlier entry of this run wrote, its
    // failure text when it failed.
    std::vector<std::string> Add(const TEntryOutcome& outcome);

    // "変換終了: 書き込み 98, 飛ばした 2, 失敗 0"; a run ended by a failure
    // also counts the entries never reached, out of `entries` in the run.
    // Entries a resumed run found written are counted apart, and count as written.
    std::string SummaryLine(const TRunSummary& summary, int entries, bool plan) const;
    int ExitStatus(const TRunSummary& summary) const;

    // "corvane-batch: 3/10 a.jpg: JPEG エラー #53."
    static std::string FailureLine(const TEntryOutcome& failure);
    // An entry of --plan: "1/7 a.jpg: 書き込む; JPEG; 新しいファイル; 元 /in/a.jpg; 出力 /out/a.jpg".
    static std::string PlanLine(const TEntryOutcome& outcome);

private:
    std::vector<std::string> Verdict(const TEntryOutcome& outcome, const std::string& warning);

    // Output identity (its folder resolved, then its name) by its hash, to
    // the first entry that wrote it: a million entries cost a few tens of MB.
    std::unordered_map<std::uint64_t, int> written_;
    TFileIdentities outputs_;
    int resumed_ = 0;
};

}  // namespace corvane
