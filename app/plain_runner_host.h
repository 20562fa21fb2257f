// A runner host without a window: the batch list is a vector of entries, the
// selection is given up front (or empty), and the progress lines, the final
// text and the error text are recorded (and optionally printed).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/runner_host.h"

namespace corvane {

class PlainRunnerHost : public TRunnerHost {
public:
    std::vector<std::string> List;
    TFileSelection Pending;  // taken by Selection() once, then empty

    // Recorded for callers and tests.
    std::vector<std::string> ProgressLog;  // "line1\nline2" per update
    std::string FinishedText;
    std::string ErrorText;
    int Beeps = 0;
    bool ProgressShown = false;  // created and not yet destroyed
    int ProgressCreated = 0;
    std::string Caption;
    int RangeMin = 0, RangeMax = 0, Position = 0, Step = 0;
    int RefreshCount = 0;
    bool RunButtonDisabled = false;
    bool WaitCursor = false;
    struct TSkippedEntry {
        int Index;
        std::string Output, Reason;
        friend bool operator==(const TSkippedEntry&, const TSkippedEntry&) = default;
    };
    std::vector<TSkippedEntry> Skipped;
    // Called with each pair of progress lines, if set (the command-line tool prints them).
    std::function<void(const std::string&, const std::string&)> OnProgress;

    int ListCount() override;
    std::string ListEntry(int index) override;
    void ListAppend(const std::vector<std::string>& entries) override;
    void ListClear() override;
    TFileSelection Selection() override;
    void DisableRunButton() override { RunButtonDisabled = true; }
    void RefreshFileList() override { ++RefreshCount; }
    void ProgressCreate() override;
    void ProgressCaption(const std::string& caption) override;
    void ProgressLines(const std::string& line1, const std::string& line2) override;
    void ProgressRange(int minimum, int maximum, int position, int step) override;
    void ProgressStep() override { Position += Step; }
    void ProgressRepaint() override {}
    void ProgressDestroy() override;
    void BeginWaitCursor() override { WaitCursor = true; }
    void EndWaitCursor() override { WaitCursor = false; }
    void Beep() override { ++Beeps; }
    void ShowFinished(const std::string& text) override { FinishedText = text; }
    void ShowError(const std::string& text) override { ErrorText = text; }
    // Through GIO (desktop_trash.h).
    void MoveToTrash(const std::string& path) override;
    void EntrySkipped(int index, const std::string& output, const std::string& reason) override {
        Skipped.push_back({index, output, reason});
    }
};

}  // namespace corvane
