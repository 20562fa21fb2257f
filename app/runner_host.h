// What the batch runner needs from its surroundings. The window implements it
// with its list box, file list, progress window and message boxes; the
// command-line tool and the tests implement it without a window
// (PlainRunnerHost). The runner holds no toolkit type.
#pragma once

#include <string>
#include <vector>

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
    // An entry (0-based) left out because its output exists and the setting
    // says to leave existing files alone.
    virtual void EntrySkipped(int index, const std::string& output, const std::string& reason) {
        (void)index, (void)output, (void)reason;
    }
};

}  // namespace corvane
