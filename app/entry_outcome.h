// How each entry of a run ended, and how the run as a whole did. The runner
// hands every outcome to its host in list order as the entry ends, so the
// command line can warn, count and record, and the window can keep in its
// list exactly the entries still to be done.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/output_writer.h"

namespace corvane {

enum class TEntryStatus { Written, Skipped, Failed };

// Why an entry wrote nothing without failing.
inline constexpr const char* kMissingSourceReason = "ファイルがありません";
inline constexpr const char* kFolderSourceReason = "フォルダです";
inline constexpr const char* kNoWriterReason = "書き出す形式がありません";
// A resumed run found the output an earlier run wrote, unchanged.
inline constexpr const char* kResumedReason = "前回の実行で書き込み済み";

// What happens to a file already at the output's name.
enum class TExistingAction {
    Unknown,     // not decided: the entry did not get that far
    NewFile,     // nothing there
    Trash,       // moved to the desktop trash, then replaced
    Replace,     // replaced
    ReplaceOwn,  // an output of an earlier entry of this run, replaced
    Keep,        // left as it is, the entry skipped
};

struct TEntryOutcome {
    int Index = 0;  // in the batch list, 0-based
    int Count = 0;  // entries in the list
    std::string Source;
    std::string Output;  // the file written, or the one that would have been
    TWriterKind Writer = TWriterKind::None;
    TExistingAction Existing = TExistingAction::Unknown;
    TEntryStatus Status = TEntryStatus::Skipped;
    std::string Reason;  // skipped: why; failed: the failure's text
    // What was dropped on the way without failing the entry (damaged metadata).
    std::vector<std::string> Warnings;
    std::uint64_t Bytes = 0;
    // The bytes written: valid only while the host looks at the outcome.
    std::span<const std::uint8_t> Data;
    double Milliseconds = 0;
};

// "3/10 a.jpg": the entry as the progress window numbers it.
std::string EntryLabel(const TEntryOutcome& outcome);

enum class TRunEnd {
    Finished,  // every entry had its turn (some may have failed, with keep-going)
    Failed,    // a failure ended the run at its entry
    Stopped,   // stopped by the user: entries in flight were finished
    Refused,   // settings or selection refused: nothing touched
};

struct TRunSummary {
    TRunEnd End = TRunEnd::Refused;
    int Written = 0;
    int Skipped = 0;
    int Failed = 0;
    std::vector<TEntryOutcome> Failures;  // in list order, without their data
    // Everything asked for was done: the run finished and nothing failed.
    explicit operator bool() const { return End == TRunEnd::Finished && Failed == 0; }
};

}  // namespace corvane
