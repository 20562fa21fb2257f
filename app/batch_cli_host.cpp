#include "app/batch_cli_host.h"

#include <utility>

#include "app/batch_runner.h"
#include "app/desktop_trash.h"
#include "app/sha256.h"
#include "imaging/errors.h"

namespace corvane {

void PrintText(std::FILE* out, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), out);
    std::fflush(out);
}

TBatchCliHost::TBatchCliHost(std::vector<std::string> list, TBatchCliMode mode, TBatchCliRecords records)
    : list_(std::move(list)), mode_(mode), records_(std::move(records)) {}

int TBatchCliHost::EntriesTaken() const {
    const int count = static_cast<int>(list_.size());
    return count > mode_.ShardIndex ? (count - mode_.ShardIndex + mode_.ShardCount - 1) / mode_.ShardCount
                                    : 0;
}

std::string TBatchCliHost::SkipReason(const TEntryOutcome& entry) {
    if (records_.Manifest) {
        // Taken before the source is read: a change while it is converted makes the record stale.
        if (const std::optional<TSourceStamp> stamp = SourceStamp(entry.Source))
            stamps_[entry.Index] = *stamp;
    }
    if (!records_.Resume) return {};
    const std::optional<TResumeRecords::TDone> done = records_.Resume->StillDone(entry.Source, entry.Output);
    if (!done) return {};
    resumed_[entry.Index] = *done;
    return kResumedReason;
}

void TBatchCliHost::Record(const TEntryOutcome& outcome) {
    const auto stamp = stamps_.find(outcome.Index);
    const auto resumed = resumed_.find(outcome.Index);
    if (records_.Manifest && !manifestFailed_) {
        TManifestRecord r;
        r.Index = outcome.Index;
        r.Source = outcome.Source;
        r.Output = outcome.Output;
        r.Status = StatusName(outcome.Status);
        r.Reason = outcome.Reason;
        r.Milliseconds = outcome.Milliseconds;
        r.Settings = records_.SettingsDigest;
        if (stamp != stamps_.end()) {
            r.SourceKnown = true;
            r.SourceSize = stamp->second.Size;
            r.SourceMtimeNs = stamp->second.MtimeNs;
        }
        if (outcome.Status == TEntryStatus::Written) {
            r.Bytes = outcome.Bytes;
            r.Sha256 = Sha256Hex(outcome.Data);
        } else if (resumed != resumed_.end()) {
            // What the earlier run recorded, found unchanged: the next resume finds it again.
            r.Bytes = resumed->second.Bytes;
            r.Sha256 = TResumeRecords::Hex(resumed->second.Sha256);
        }
        try {
            records_.Manifest->Append(r);
        } catch (...) {
            // Without its record the run cannot be resumed: no further entry starts.
            manifestFailed_ = true;
            PrintText(stderr, "corvane-batch: " + FailureText() + "\n");
        }
    }
    if (stamp != stamps_.end()) stamps_.erase(stamp);
    if (resumed != resumed_.end()) resumed_.erase(resumed);
}

std::string TBatchCliHost::ListEntry(int index) {
    if (index < 0 || index >= ListCount()) throw EListError(index);
    return list_[static_cast<std::size_t>(index)];
}

void TBatchCliHost::ListAppend(const std::vector<std::string>& entries) {
    list_.insert(list_.end(), entries.begin(), entries.end());
}

void TBatchCliHost::ProgressLines(const std::string& line1, const std::string& line2) {
    if (mode_.Quiet || mode_.Plan || line1 == kPreparingText) return;
    PrintText(stderr, line1 + "\n" + line2 + "\n");
    progressShown_ = true;
}

void TBatchCliHost::EntryDone(const TEntryOutcome& outcome) {
    std::string lines;
    for (const std::string& line : report_.Add(outcome)) lines += line + "\n";
    if (outcome.Status == TEntryStatus::Failed) lastFailure_ = TRunReport::FailureLine(outcome);
    if (!lines.empty()) PrintText(stderr, lines);
    Record(outcome);
    if (mode_.Plan) PrintText(stdout, TRunReport::PlanLine(outcome) + "\n");
}

void TBatchCliHost::ShowError(const std::string& text) {
    // The failure that ended the run at an entry has been printed as that entry ended.
    const std::string line = "corvane-batch: " + text;
    if (line != lastFailure_) PrintText(stderr, line + "\n");
}

void TBatchCliHost::ShowFailures(const std::vector<TEntryOutcome>& failures) {
    // Each failure was printed as its entry ended; among progress lines they
    // are easily missed, so they are listed once more at the end.
    if (!progressShown_ || failures.empty()) return;
    std::string text = "corvane-batch: 失敗した項目 " + std::to_string(failures.size()) + ":\n";
    for (const TEntryOutcome& failure : failures) text += TRunReport::FailureLine(failure) + "\n";
    PrintText(stderr, text);
}

void TBatchCliHost::MoveToTrash(const std::string& path) { MoveToDesktopTrash(path); }

int TBatchCliHost::Finish(const TRunSummary& summary) {
    bool recorded = !manifestFailed_;
    if (records_.Manifest && recorded) {
        try {
            records_.Manifest->Close();
        } catch (...) {
            PrintText(stderr, "corvane-batch: " + FailureText() + "\n");
            recorded = false;
        }
    }
    if (summary.End != TRunEnd::Refused)
        PrintText(stdout, report_.SummaryLine(summary, EntriesTaken(), mode_.Plan) + "\n");
    const int status = report_.ExitStatus(summary);
    return recorded || status == kExitRefused ? status : kExitFailed;
}

}  // namespace corvane
