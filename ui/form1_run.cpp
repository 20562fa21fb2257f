// The run: BitBtn1Click hands the window to the batch runner as its host.
// Everything happens inside the click handler; the progress window is
// application-modal and painted explicitly, so no user input is handled
// until the run is over.
#include <QApplication>
#include <QPushButton>

#include "app/batch_runner.h"
#include "app/desktop_trash.h"
#include "ui/corvane01u1.h"
#include "ui/directory_list_box.h"
#include "ui/file_list_box.h"
#include "ui/text_bytes.h"

namespace corvane {

void TForm1::BitBtn1Click() {
    if (running_) return;
    // The run disables 実行, and Qt would hand its focus on to 終了: the key
    // that closes the run's last box and one more would end the program and
    // lose the list. The file list cannot end anything.
    FileListBox1->setFocus(Qt::OtherFocusReason);
    // The runner owns the run's clean-up (progress window, cursor, selection
    // update); the window only knows that a run is under way.
    running_ = true;
    struct TRunning {
        bool& flag;
        ~TRunning() { flag = false; }
    } running{running_};
    RunBatch(*this, ReadSettings());
}

TFileSelection TForm1::Selection() {
    TFileSelection selection;
    selection.SourceFolder = ToBytes(FileListBox1->Directory());
    selection.DestinationFolder = ToBytes(DirectoryListBox2->Directory());
    selection.Files = FileListBox1->SelectedFileNames();
    return selection;
}

void TForm1::DisableRunButton() { BitBtn1->setEnabled(false); }

void TForm1::RefreshFileList() {
    FileListBox1->SetCaretNone();
    FileListBox1->Update();
    FileListBox1Change();
}

void TForm1::ProgressCreate() {
    Form2 = std::make_unique<TForm2>(this);
    Form2->show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TForm1::ProgressCaption(const std::string& caption) {
    if (Form2) Form2->setWindowTitle(QString::fromStdString(caption));
}

void TForm1::ProgressLines(const std::string& line1, const std::string& line2) {
    if (!Form2) return;
    // The lines hold file names: shown in the file system's encoding.
    TForm2::SetLine(Form2->Label1, FromBytes(line1));
    TForm2::SetLine(Form2->Label2, FromBytes(line2));
}

void TForm1::ProgressRange(int minimum, int maximum, int position, int step) {
    if (!Form2) return;
    Form2->ProgressBar1->setRange(minimum, maximum);
    Form2->ProgressBar1->setValue(position);
    progressStep_ = step;
}

void TForm1::ProgressStep() {
    if (!Form2) return;
    QProgressBar* bar = Form2->ProgressBar1;
    bar->setValue(std::min(bar->value() + progressStep_, bar->maximum()));
}

void TForm1::ProgressRepaint() {
    if (!Form2) return;
    Form2->repaint();
    // Maps and paints the window; user input waits, and is dropped by the
    // modal windows that follow rather than replayed into the main window.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    emit ProgressRepainted();
}

void TForm1::ProgressDestroy() { Form2.reset(); }

void TForm1::BeginWaitCursor() {
    if (waitCursor_) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    waitCursor_ = true;
}

void TForm1::EndWaitCursor() {
    if (!waitCursor_) return;
    QApplication::restoreOverrideCursor();
    waitCursor_ = false;
}

void TForm1::Beep() { dialogs_->Beep(); }

void TForm1::ShowFinished(const std::string& text) { dialogs_->ShowFinished(QString::fromStdString(text)); }

void TForm1::ShowError(const std::string& text) { dialogs_->ShowError(this, FromBytes(text)); }

// GIO's trash, as corvane-batch has, not QFile::moveToTrash: Qt 6.4's, when
// it cannot set up the home trash (for example while $XDG_DATA_HOME does not
// exist yet), puts the file elsewhere (the disk's top-level .Trash-UID, or
// even "files/" under the current folder) and reports success.
void TForm1::MoveToTrash(const std::string& path) { MoveToDesktopTrash(path); }

}  // namespace corvane
