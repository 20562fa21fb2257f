// The run: BitBtn1Click hands the window to the batch runner as its host.
// The runner works on a thread of its own, with as many entries at once as
// there are processors; every call it makes to the window is carried over to
// this thread (TUiThreadHost), which meanwhile goes on painting the windows
// and answering the desktop. The progress window is application-modal and
// the main window's input is held back (TRunInputBlock), so nothing the run
// reads can change under it; the click handler returns when the run is over.
#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <exception>
#include <thread>

#include "app/desktop_trash.h"
#include "app/parallel_batch.h"
#include "imaging/errors.h"
#include "ui/corvane01u1.h"
#include "ui/directory_list_box.h"
#include "ui/file_list_box.h"
#include "ui/run_input_block.h"
#include "ui/text_bytes.h"
#include "ui/ui_thread_host.h"

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
    stopRequested_ = false;
    struct TRunning {
        bool& flag;
        ~TRunning() { flag = false; }
    } running{running_};
    RunOffTheUiThread(ReadSettings());
}

void TForm1::RunOffTheUiThread(const TConversionSettings& settings) {
    const TRunInputBlock inputBlock(this);
    TUiThreadHost host(*this, this);
    QEventLoop loop;
    bool finished = false;  // on this thread only
    std::exception_ptr failure;
    std::thread driver([&] {
        try {
            RunBatchParallel(host, settings, EffectiveJobs(settings));
        } catch (...) {
            failure = std::current_exception();
        }
        // The last word of the thread; this frame waits for it.
        QMetaObject::invokeMethod(
            &loop,
            [&] {
                finished = true;
                loop.quit();
            },
            Qt::QueuedConnection);
    });
    // Nothing below throws while the thread runs: it must be joined, and only
    // once it has made its last call to this thread.
    loop.exec();
    while (!finished) {
        // The application was told to quit under the run: end it soon.
        stopRequested_ = true;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    driver.join();
    if (failure) {
        // The runner reports its own failures; this is one of the run itself
        // (memory, threads): leave the window as after a failed run.
        ProgressDestroy();
        EndWaitCursor();
        BatchListRefresh();
        ApplyRunButtonRule();
        ShowErrorText(FailureText(failure));
    }
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
    connect(Form2.get(), &TForm2::StopClicked, this, [this] { stopRequested_ = true; });
    Form2->show();
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
    // Painted by this thread's event loop, which the run leaves free.
    Form2->update();
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

void TForm1::ShowFailures(const std::vector<TEntryOutcome>& failures) {
    QList<TFailureRow> rows;
    for (const TEntryOutcome& failure : failures)
        rows << TFailureRow{QStringLiteral("%1/%2").arg(failure.Index + 1).arg(failure.Count),
                            FromBytes(failure.Source), FromBytes(failure.Reason)};
    const int count = failures.empty() ? 0 : failures.front().Count;
    const QString text = QStringLiteral(
                             "%1 項目のうち %2 項目を変換できませんでした。\r\n"
                             "変換できなかった項目が一括操作リストに残っています。")
                             .arg(count)
                             .arg(failures.size());
    dialogs_->ShowFailures(this, text, rows);
}

void TForm1::ShowError(const std::string& text) { dialogs_->ShowError(this, FromBytes(text)); }

// GIO's trash, as corvane-batch has, not QFile::moveToTrash: Qt 6.4's, when
// it cannot set up the home trash (for example while $XDG_DATA_HOME does not
// exist yet), puts the file elsewhere (the disk's top-level .Trash-UID, or
// even "files/" under the current folder) and reports success.
void TForm1::MoveToTrash(const std::string& path) { MoveToDesktopTrash(path); }

void TForm1::EntryDone(const TEntryOutcome& outcome) { emit EntryFinished(outcome); }

bool TForm1::StopRequested() { return stopRequested_; }

}  // namespace corvane
