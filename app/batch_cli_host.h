// The runner host of corvane-batch: the batch list in memory, progress lines
// on standard error (unless quiet), a warning or failure line for every entry
// that did not write (TRunReport), the closing count on standard output.
// Nothing per entry is kept, so a list of millions runs in the memory of
// the list itself.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "app/run_report.h"
#include "app/runner_host.h"

namespace corvane {

struct TBatchCliMode {
    bool Quiet = false;  // no progress lines; warnings and failures still shown
    bool Plan = false;   // each entry's plan on standard output
};

class TBatchCliHost : public TRunnerHost {
public:
    TBatchCliHost(std::vector<std::string> list, TBatchCliMode mode);

    // Prints the closing count and returns the exit status.
    int Finish(const TRunSummary& summary);

    int ListCount() override { return static_cast<int>(list_.size()); }
    std::string ListEntry(int index) override;
    void ListAppend(const std::vector<std::string>& entries) override;
    void ListClear() override {}
    void ListKeepOnly(const std::vector<int>&) override {}
    TFileSelection Selection() override { return {}; }
    void DisableRunButton() override {}
    void RefreshFileList() override {}
    void ProgressCreate() override {}
    void ProgressCaption(const std::string&) override {}
    void ProgressLines(const std::string& line1, const std::string& line2) override;
    void ProgressRange(int, int, int, int) override {}
    void ProgressStep() override {}
    void ProgressRepaint() override {}
    void ProgressDestroy() override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void Beep() override {}
    void ShowFinished(const std::string&) override {}
    void ShowError(const std::string& text) override;
    void MoveToTrash(const std::string& path) override;
    void EntryDone(const TEntryOutcome& outcome) override;
    void ShowFailures(const std::vector<TEntryOutcome>& failures) override;

private:
    std::vector<std::string> list_;
    const TBatchCliMode mode_;
    TRunReport report_;
    std::string lastFailure_;  // already printed: the runner's error display repeats it
    bool progressShown_ = false;
};

// Writes the text and flushes: lines of one process never interleave with
// those of another writing to the same terminal or file.
void PrintText(std::FILE* out, const std::string& text);

}  // namespace corvane
