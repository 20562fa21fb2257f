#include "app/batch_cli_host.h"

#include <utility>

#include "app/batch_runner.h"
#include "app/desktop_trash.h"
#include "imaging/errors.h"

namespace corvane {

void PrintText(std::FILE* out, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), out);
    std::fflush(out);
}

TBatchCliHost::TBatchCliHost(std::vector<std::string> list, TBatchCliMode mode)
    : list_(std::move(list)), mode_(mode) {}

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
    if (summary.End != TRunEnd::Refused)
        PrintText(stdout, report_.SummaryLine(summary, ListCount(), mode_.Plan) + "\n");
    return TRunReport::ExitStatus(summary);
}

}  // namespace corvane
