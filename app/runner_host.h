// What the batch runner needs from its surroundings. The window implements it
// with its list box, file list, progress window and message boxes; the
// command-line tool and the tests implement it without a window
// (PlainRunnerHost). The runner holds no toolkit type.
#pragma once

#include <string>
#include <vector>

#include "app/entry_outcome.h"

namespace corvane {

// The file selection at the moment a run starts.
struct TFileSelection {
    std::string SourceFolder;        // the file list's folder
    std::string DestinationFolder;   // the destination folder list's folder
    std::vector<std::string> Files;  // selected file names, in list order
};

class TRunnerHost {
public:
    virtual ~TRunnerHost() = default;

    // The batch list.
    virtual int ListCount() = 0;
    virtual std::string ListEntry(int index) = 0;
    // Appends entries at the end, inside one update bracket.
    virtual void ListAppend(const std::vector<std::string>& entries) = 0;
    // Removes every entry, repaints and runs the batch list refresh.
    virtual void ListClear() = 0;
    // Keeps only the entries at these indices (ascending), then the batch
    // list refresh: after a run that did not do everything, the list holds
    // what is still to be done.
    virtual void ListKeepOnly(const std::vector<int>& indices) = 0;

    // The file selection (empty without a window).
    virtual TFileSelection Selection() = 0;
    virtual void DisableRunButton() = 0;
    // Caret to no item, re-read the file list, selection update
    // (FileListBox1Change): the run-button rule and the count label.
    virtual void RefreshFileList() = 0;

    // The progress window.
    virtual void ProgressCreate() = 0;
    virtual void ProgressCaption(const std::string& caption) = 0;
    virtual void ProgressLines(const std::string& line1, const std::string& line2) = 0;
    virtual void ProgressRange(int minimum, int maximum, int position, int step) = 0;
    virtual void ProgressStep() = 0;
    virtual void ProgressRepaint() = 0;
    virtual void ProgressDestroy() = 0;

    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    virtual void Beep() = 0;
    // The end-of-run box: "変換終了", caption "Information".
    virtual void ShowFinished(const std::string& text) = 0;
    // The error display: caption "Corvane", the text already has its "." rule applied.
    virtual void ShowError(const std::string& text) = 0;

    // Moves a file to the desktop trash, from where the file manager can
    // restore it; throws ECorvaneError naming the file when the trash cannot
    // take it (the file then stays where it is).
    virtual void MoveToTrash(const std::string& path) = 0;
    // Each entry as it ends, in list order (written, skipped with a reason,
    // or failed with its text).
    virtual void EntryDone(const TEntryOutcome& outcome) { (void)outcome; }
    // Asked before each entry starts: true ends the run there, without its
    // final box; entries already under way are finished and written whole.
    virtual bool StopRequested() { return false; }
    // Whether this run does entry `index` at all: false leaves it to another
    // process (a shard of the list): not started, not reported, while the
    // others keep their numbers in the whole list.
    virtual bool TakesEntry(int index) {
        (void)index;
        return true;
    }
    // Asked once an entry's source and output are named, before anything is
    // checked or read: a reason to skip it (an output a resumed run finds
    // already written), or empty to go on.
    virtual std::string SkipReason(const TEntryOutcome& entry) {
        (void)entry;
        return {};
    }
    // At the end of a run that went on past failing entries: every failure.
    virtual void ShowFailures(const std::vector<TEntryOutcome>& failures) = 0;
};

}  // namespace corvane
