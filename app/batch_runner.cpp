#include "app/batch_runner.h"

#include <chrono>
#include <string>

#include "app/batch_list_ops.h"
#include "app/entry_conversion.h"
#include "app/memory_budget.h"
#include "app/output_commit.h"
#include "imaging/errors.h"

namespace corvane {

namespace {

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The error display's text for the failure that ended the run.
std::string FailureDisplay(const TEntryOutcome& failure) {
    return EntryLabel(failure) + ": " + failure.Reason;
}

}  // namespace

TRunRecord::TRunRecord(TRunnerHost& host, int count, bool keepGoing)
    : host_(host), keepGoing_(keepGoing), done_(static_cast<std::size_t>(count), false) {}

bool TRunRecord::Add(const TEntryOutcome& outcome) {
    switch (outcome.Status) {
        case TEntryStatus::Written:
            ++summary_.Written;
            break;
        case TEntryStatus::Skipped:
            ++summary_.Skipped;
            break;
        case TEntryStatus::Failed: {
            ++summary_.Failed;
            TEntryOutcome kept = outcome;
            kept.Data = {};
            summary_.Failures.push_back(std::move(kept));
            break;
        }
    }
    if (outcome.Status != TEntryStatus::Failed && outcome.Index >= 0 &&
        outcome.Index < static_cast<int>(done_.size()))
        done_[static_cast<std::size_t>(outcome.Index)] = true;
    host_.EntryDone(outcome);
    if (outcome.Status == TEntryStatus::Failed && !keepGoing_) endedByFailure_ = true;
    return !endedByFailure_;
}

std::vector<int> TRunRecord::NotDone() const {
    std::vector<int> indices;
    for (std::size_t i = 0; i < done_.size(); ++i)
        if (!done_[i]) indices.push_back(static_cast<int>(i));
    return indices;
}

std::vector<int> TRunRecord::FailedIndices() const {
    std::vector<int> indices;
    for (const TEntryOutcome& failure : summary_.Failures) indices.push_back(failure.Index);
    return indices;
}

TEntryOutcome FailedOutcome(int index, int count, const std::string& source, const TOutputTarget& target) {
    TEntryOutcome outcome;
    outcome.Index = index;
    outcome.Count = count;
    outcome.Source = source;
    outcome.Output = target.Path;
    outcome.Writer = target.Writer;
    outcome.Status = TEntryStatus::Failed;
    outcome.Reason = FailureMessage();
    return outcome;
}

TRunSummary RunBatch(TRunnerHost& host, const TConversionSettings& settings, PathStyle style) {
    return RunBatchWith(host, settings, style, [&](TRunnerHost& h, int count, TRunRecord& record) {
        TOutputCommitter committer(h, settings.Existing);
        for (int i = 0; i < count; ++i) {
            if (!h.TakesEntry(i)) continue;
            if (h.StopRequested()) {
                record.Stop();
                return;
            }
            const auto start = std::chrono::steady_clock::now();
            std::string source;
            TOutputTarget target;
            try {
                const TEntryJob job = PrepareEntry(h.ListEntry(i), i, count, settings, style);
                source = job.SourcePath;
                h.ProgressLines(job.ProgressLine, job.TargetLine);
                h.ProgressStep();
                h.ProgressRepaint();
                target = EntryOutputTarget(job, settings, style);
                TEntryOutcome outcome = NewOutcome(job, count, target);
                TEncodedEntry encoded;
                TEntryEstimate estimate;
                outcome.Reason = h.SkipReason(outcome);
                if (!outcome.Reason.empty()) {
                    // left out by the host
                } else if (settings.Plan) {
                    PlanEntry(job, target, committer, settings, outcome, style);
                } else {
                    outcome.Reason = SkipBeforeReading(job, target, committer, settings, style, &estimate);
                    if (outcome.Reason.empty()) {
                        // One at a time: only a picture the machine cannot hold at all is refused.
                        if (estimate.Known) RequireMemory(job.SourcePath, estimate.MemoryBytes, std::nullopt);
                        encoded = EncodeEntry(job, settings, style);
                        FinishEntry(encoded, committer, outcome);
                    }
                }
                outcome.Milliseconds = MillisecondsSince(start);
                if (!record.Add(outcome)) return;
            } catch (...) {
                TEntryOutcome failed = FailedOutcome(i, count, source, target);
                failed.Milliseconds = MillisecondsSince(start);
                if (!record.Add(failed)) return;
            }
        }
    });
}

TRunSummary RunBatchWith(TRunnerHost& host, const TConversionSettings& settings, PathStyle style,
                         const TEntryLoop& loop) {
    TRunSummary refused;
    // Nothing is touched when the settings or the selection are refused.
    std::vector<std::string> selected;
    try {
        ValidateSettings(settings);
        selected = SelectionEntries(host.Selection(), style);
    } catch (...) {
        host.ShowError(FailureText());
        return refused;
    }

    bool progress = false;
    bool waitCursor = false;
    const auto endProgress = [&] {
        if (waitCursor) host.EndWaitCursor();
        if (progress) host.ProgressDestroy();
        waitCursor = progress = false;
    };
    int count = 0;
    try {
        if (!selected.empty()) host.ListAppend(selected);
        host.DisableRunButton();
        count = host.ListCount();
    } catch (...) {
        host.RefreshFileList();
        host.ShowError(FailureText());
        return refused;
    }

    TRunRecord record(host, count, settings.KeepGoing);
    try {
        if (count > 0) {
            host.ProgressCreate();
            progress = true;
            host.ProgressCaption("FILE画像変換状況");
            host.ProgressLines(kPreparingText, "");
            host.ProgressRange(0, count, 0, 1);
            host.BeginWaitCursor();
            waitCursor = true;
            loop(host, count, record);
        }
        endProgress();
    } catch (...) {
        // A failure of the run itself rather than of one entry.
        const std::string text = FailureText();
        endProgress();
        host.ListKeepOnly(record.NotDone());
        host.RefreshFileList();
        host.ShowError(text);
        record.Summary().End = TRunEnd::Failed;
        return record.Summary();
    }

    TRunSummary& summary = record.Summary();
    if (record.EndedByFailure() || record.Stopped()) {
        // No beep and no final box; the list keeps what is still to be done.
        host.ListKeepOnly(record.NotDone());
        host.RefreshFileList();
        summary.End = record.Stopped() ? TRunEnd::Stopped : TRunEnd::Failed;
        if (record.EndedByFailure())
            host.ShowError(ErrorDisplayText(FailureDisplay(summary.Failures.back())));
        return summary;
    }
    summary.End = TRunEnd::Finished;
    if (summary.Failed > 0) {
        host.ListKeepOnly(record.FailedIndices());
        host.RefreshFileList();
        host.Beep();
        host.ShowFailures(summary.Failures);
        return summary;
    }
    host.ListClear();
    host.RefreshFileList();
    host.Beep();
    host.ShowFinished(kFinishedText);
    return summary;
}

}  // namespace corvane
