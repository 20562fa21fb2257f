// The runner host of corvane-batch: the batch list in memory, progress lines
// on standard error (unless quiet), a warning or failure line for every entry
// that did not write (TRunReport), the closing count on standard output.
// Nothing per entry is kept, so a list of millions runs in the memory of
// the list itself.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/manifest.h"
#include "app/run_report.h"
#include "app/runner_host.h"

namespace corvane {

struct TBatchCliMode {
    bool Quiet = false;  // no progress lines; warnings and failures still shown
    bool Plan = false;   // each entry's plan on standard output
    // This process does the entries whose index modulo ShardCount is ShardIndex.
    int ShardIndex = 0;
    int ShardCount = 1;
};

// What a run records and resumes from (--manifest, --resume).
struct TBatchCliRecords {
    std::unique_ptr<TManifestWriter> Manifest;  // null: no manifest
    std::optional<TResumeRecords> Resume;       // none: nothing skipped as done before
    std::string SettingsDigest;
};

class TBatchCliHost : public TRunnerHost {
public:
    TBatchCliHost(std::vector<std::string> list, TBatchCliMode mode, TBatchCliRecords records = {});

    // Closes the manifest, prints the closing count, returns the exit status.
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
    bool StopRequested() override { return manifestFailed_; }
    bool TakesEntry(int index) override { return index % mode_.ShardCount == mode_.ShardIndex; }
    std::string SkipReason(const TEntryOutcome& entry) override;
    void ShowFailures(const std::vector<TEntryOutcome>& failures) override;

private:
    void Record(const TEntryOutcome& outcome);
    // Entries of the list this process does.
    int EntriesTaken() const;

    std::vector<std::string> list_;
    const TBatchCliMode mode_;
    TBatchCliRecords records_;
    // Between SkipReason and EntryDone: the source's stamp before it was
    // read, and the record a resumed entry was found under.
    std::unordered_map<int, TSourceStamp> stamps_;
    std::unordered_map<int, TResumeRecords::TDone> resumed_;
    bool manifestFailed_ = false;
    TRunReport report_;
    std::string lastFailure_;  // already printed: the runner's error display repeats it
    bool progressShown_ = false;
};

// Writes the text and flushes: lines of one process never interleave with
// those of another writing to the same terminal or file.
void PrintText(std::FILE* out, const std::string& text);

}  // namespace corvane
