// The batch runner: appends the file selection to the batch list, converts
// every entry in list order, reports progress and each entry's outcome, and
// ends with the beep and the "変換終了" box.
//
// A failure ends the run at the failing entry (unless the settings say to go
// on past failing entries): the pictures are released, the progress window is
// destroyed, the cursor restored, the list keeps the failing entry and those
// after it (entries already done leave it), the selection update runs again,
// and the error display shows the failure after the entry's number and file
// ("3/10 a.jpg: JPEG エラー #53"). A run the user stops ends likewise, without
// a box, the list keeping the entries not yet done. A run that went on past
// failures ends with the beep and a box listing them, the list keeping just
// the failed entries.
#pragma once

#include <functional>
#include <vector>

#include "app/conversion_settings.h"
#include "app/entry_outcome.h"
#include "app/output_writer.h"
#include "app/paths.h"
#include "app/runner_host.h"

namespace corvane {

// The progress window's first line before the first entry.
inline constexpr const char* kPreparingText = "準備中";
// The end-of-run box's text.
inline constexpr const char* kFinishedText = "変換終了";

TRunSummary RunBatch(TRunnerHost& host, const TConversionSettings& settings,
                     PathStyle style = PathStyle::Native);

// What a loop over the entries reports, on the thread that drives the run,
// in list order.
class TRunRecord {
public:
    TRunRecord(TRunnerHost& host, int count, bool keepGoing);

    // Hands the outcome to the host and counts it; false when the run must
    // end at this entry (a failure, without keep-going).
    bool Add(const TEntryOutcome& outcome);
    // The user asked to stop: no further entry starts.
    void Stop() { stopped_ = true; }

    bool Stopped() const { return stopped_; }
    bool EndedByFailure() const { return endedByFailure_; }
    // The entries still to be done: failed and never started, ascending.
    std::vector<int> NotDone() const;
    std::vector<int> FailedIndices() const;
    TRunSummary& Summary() { return summary_; }

private:
    TRunnerHost& host_;
    bool keepGoing_;
    std::vector<bool> done_;
    bool stopped_ = false;
    bool endedByFailure_ = false;
    TRunSummary summary_;
};

// The outcome of an entry whose preparing or converting failed: the current
// exception's text, and the output when it had been named.
TEntryOutcome FailedOutcome(int index, int count, const std::string& source,
                            const TOutputTarget& target = {});

// The run around a given loop over entries 0 .. count-1 (called only when
// the list has entries). The loop reports progress through the host and each
// outcome through the record, and returns when the record says the run ends
// or when every entry had its turn. RunBatch passes the one-at-a-time loop.
using TEntryLoop = std::function<void(TRunnerHost& host, int count, TRunRecord& record)>;
TRunSummary RunBatchWith(TRunnerHost& host, const TConversionSettings& settings, PathStyle style,
                         const TEntryLoop& loop);

}  // namespace corvane
