// The window's run on its own thread: outputs byte for byte those of the
// sequential runner, progress and outcomes on the window's thread in list
// order, the window's event loop alive while an entry converts, no input to
// the main window; a stop by 中止, Esc or the close box; a failing entry with
// and without "エラーの項目を飛ばす"; the real failure box.
#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/batch_entry.h"
#include "app/batch_runner.h"
#include "app/plain_runner_host.h"
#include "fake_dialogs.h"
#include "imagefiles/bmp_writer.h"
#include "imagefiles/temporary_files.h"
#include "imaging/TBitmap.h"
#include "imaging/errors.h"
#include "ui/SpinEx.h"
#include "ui/corvane01u1.h"
#include "ui/directory_list_box.h"
#include "ui/failure_box.h"
#include "ui/file_list_box.h"
#include "ui/list_box.h"
#include "ui_test_main.h"

using namespace corvane;

namespace {

// Twenty real pictures of both formats, named so that the file list shows
// them in this order.
const char* const kPictures[] = {
    "jpeg/testorig.jpg",        "jpeg/testimgp.jpg",      "jpeg/testimgint.jpg",
    "jpeg/testimggray.jpg",     "jpeg/testorig_rst.jpg",  "jpeg/testimgari.jpg",
    "bmpsuite/g/pal1.bmp",      "bmpsuite/g/pal4.bmp",    "bmpsuite/g/pal4rle.bmp",
    "bmpsuite/g/pal8.bmp",      "bmpsuite/g/pal8-0.bmp",  "bmpsuite/g/pal8nonsquare.bmp",
    "bmpsuite/g/pal8os2.bmp",   "bmpsuite/g/pal8rle.bmp", "bmpsuite/g/pal8topdown.bmp",
    "bmpsuite/g/pal8v4.bmp",    "bmpsuite/g/pal8v5.bmp",  "bmpsuite/g/rgb16.bmp",
    "bmpsuite/g/rgb16-565.bmp", "bmpsuite/g/rgb24.bmp",
};
constexpr int kCount = static_cast<int>(std::size(kPictures));
static_assert(kCount == 20);

// A window whose desktop trash refuses every file, on the window's thread.
class TTrashRefusingForm : public TForm1 {
public:
    using TForm1::TForm1;
    void MoveToTrash(const std::string& path) override { throw ECorvaneError("ごみ箱に移せません: " + path); }
};

// A window whose progress lines cannot be shown (updates the runner does not wait for).
class TProgressFailingForm : public TForm1 {
public:
    using TForm1::TForm1;
    void ProgressLines(const std::string& line1, const std::string& line2) override {
        if (line1 != kPreparingText) throw ECorvaneError("表示できません");
        TForm1::ProgressLines(line1, line2);
    }
};

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class ThreadedRunTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> root_;
    QString src_, dst_, ref_;
    QStringList names_;                // in list order
    TFakeDialogs* dialogs_ = nullptr;  // owned by the form
    std::unique_ptr<TForm1> form_;
    // What the window showed, as observers saw it during the run.
    QStringList lines_;
    QList<int> positions_, done_;
    bool offThread_ = false;
    std::function<void(int)> onProgress_;  // with the number of updates so far
    std::function<void(const TEntryOutcome&)> onDone_;

    QString Name(int i) const {
        return QStringLiteral("p%1-").arg(i + 1, 2, 10, QLatin1Char('0')) +
               QFileInfo(QString::fromLatin1(kPictures[i])).fileName();
    }
    std::string Entry(int i) const {
        return MakeEntry(src_.toStdString(), names_[i].toStdString(), dst_.toStdString());
    }
    std::vector<std::string> Entries(int from, int to) const {
        std::vector<std::string> entries;
        for (int i = from; i < to; ++i) entries.push_back(Entry(i));
        return entries;
    }
    // Output names as the default format keeps them.
    QString Output(const QString& folder, int i) const { return folder + u'/' + names_[i]; }

    // Every picture of the folder selected, destination dst_, as a user would.
    void SelectAll() {
        TForm1& f = *form_;
        f.FileListBox1->Update();
        for (int i = 0; i < f.FileListBox1->count(); ++i) f.FileListBox1->SetSelected(i, true);
        f.FileListBox1Change();
        f.DirectoryListBox2->SetDirectory(dst_);
    }

    // The sequential runner's files for the same entries and the window's settings.
    void RunSequentially(const QStringList& names) {
        PlainRunnerHost host;
        for (const QString& name : names)
            host.List.push_back(MakeEntry(src_.toStdString(), name.toStdString(), ref_.toStdString()));
        TConversionSettings settings = form_->ReadSettings();
        settings.Existing = TExistingPolicy::Replace;
        RunBatch(host, settings);
    }

    // No temporary file and no half file is left in dst_.
    void CheckNoTemporaries() {
        const QStringList all = QDir(dst_).entryList(QDir::Files | QDir::Hidden);
        for (const QString& name : all)
            QVERIFY2(!name.startsWith(QString::fromLatin1(kTemporaryPrefix)), qPrintable(name));
    }

    // Written outputs are whole (those of the sequential run); the list holds
    // exactly the entries whose output was not written.
    void CheckListHoldsWhatIsNotWritten() {
        RunSequentially(names_);
        std::vector<std::string> notWritten;
        for (int i = 0; i < kCount; ++i) {
            if (QFile::exists(Output(dst_, i)))
                QCOMPARE(FileBytes(Output(dst_, i)), FileBytes(Output(ref_, i)));
            else
                notWritten.push_back(Entry(i));
        }
        QCOMPARE(form_->ListEntries(), notWritten);
        CheckNoTemporaries();
    }

private slots:
    void init() {
        root_ = std::make_unique<QTemporaryDir>();
        src_ = root_->filePath(QStringLiteral("src"));
        dst_ = root_->filePath(QStringLiteral("dst"));
        ref_ = root_->filePath(QStringLiteral("ref"));
        for (const QString& d : {src_, dst_, ref_}) QVERIFY(QDir().mkpath(d));
        names_.clear();
        const QString data = QStringLiteral(CORVANE_TESTDATA_DIR "/");
        for (int i = 0; i < kCount; ++i) {
            names_ << Name(i);
            QVERIFY(QFile::copy(data + QString::fromLatin1(kPictures[i]), src_ + u'/' + names_[i]));
        }
        QDir::setCurrent(src_);
        auto dialogs = std::make_unique<TFakeDialogs>();
        dialogs_ = dialogs.get();
        form_ = std::make_unique<TForm1>(std::move(dialogs), QStringList{QStringLiteral("/")});
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));

        lines_.clear();
        positions_.clear();
        done_.clear();
        offThread_ = false;
        onProgress_ = nullptr;
        onDone_ = nullptr;
        connect(form_.get(), &TForm1::ProgressRepainted, this, [this] {
            offThread_ |= QThread::currentThread() != thread();
            lines_ << form_->Form2->Label1->text();
            positions_ << form_->Form2->ProgressBar1->value();
            if (onProgress_) onProgress_(static_cast<int>(lines_.size()));
        });
        connect(form_.get(), &TForm1::EntryFinished, this, [this](const TEntryOutcome& outcome) {
            offThread_ |= QThread::currentThread() != thread();
            done_ << outcome.Index;
            if (onDone_) onDone_(outcome);
        });
    }
    void cleanup() {
        form_.reset();
        QDir::setCurrent(QDir::rootPath());
        root_.reset();
    }

    // Entries convert side by side; the files are those of one at a time,
    // and the window hears of every entry on its own thread, in list order.
    void outputsAreThoseOfTheSequentialRun_data() {
        QTest::addColumn<int>("angle");
        QTest::newRow("default gamma") << 0;
        QTest::newRow("30 degrees, gamma") << 300;
    }
    void outputsAreThoseOfTheSequentialRun() {
        QFETCH(int, angle);
        form_->SpinEx6->SetValue(angle);
        SelectAll();
        form_->BitBtn1->click();

        QCOMPARE(dialogs_->Finished, QStringList{QStringLiteral("変換終了")});
        QVERIFY(dialogs_->Errors.isEmpty());
        QVERIFY(!offThread_);
        QCOMPARE(lines_.size(), kCount);
        for (int i = 0; i < kCount; ++i) {
            QCOMPARE(lines_[i], QStringLiteral("%1/%2  From File: %3").arg(i + 1).arg(kCount).arg(names_[i]));
            QCOMPARE(positions_[i], i + 1);
            QCOMPARE(done_[i], i);
        }
        RunSequentially(names_);
        for (int i = 0; i < kCount; ++i) {
            const QByteArray bytes = FileBytes(Output(dst_, i));
            QVERIFY2(!bytes.isEmpty(), qPrintable(names_[i]));
            QVERIFY2(bytes == FileBytes(Output(ref_, i)), qPrintable(names_[i]));
        }
        QCOMPARE(form_->ListCount(), 0);
        CheckNoTemporaries();
    }

    // While an entry converts, the window's thread goes on handling its
    // events: a timer fires between the entry's start and its end.
    void theWindowStaysAliveWhileAnEntryConverts() {
        TBitmap big;
        big.SetPixelFormat(TPixelFormat::pf24bit);
        big.SetSize(2400, 1800);
        for (int y = 0; y < big.Height(); ++y) {
            std::uint8_t* row = big.ScanLine(y);
            for (std::size_t x = 0; x < big.Stride(); ++x) row[x] = static_cast<std::uint8_t>(x * 7 + y);
        }
        WriteBitmapFile(big, (src_ + QStringLiteral("/big.bmp")).toStdString());
        form_->ListAppend({MakeEntry(src_.toStdString(), "big.bmp", dst_.toStdString())});
        form_->FileListBox1Change();

        int ticks = -1;
        QTimer timer;
        timer.setInterval(1);
        connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
        onProgress_ = [&](int) {
            ticks = 0;
            timer.start();
        };
        onDone_ = [&](const TEntryOutcome&) { timer.stop(); };
        form_->BitBtn1->click();
        QCOMPARE(dialogs_->Finished.size(), 1);
        QVERIFY2(ticks > 0, qPrintable(QString::number(ticks)));
    }

    // The main window takes no input while the run lasts: CLEAR, DEL and the
    // Delete key leave the list the run reads as it is.
    void theMainWindowTakesNoInputDuringTheRun() {
        TForm1& f = *form_;
        f.ListAppend(Entries(0, kCount));
        f.FileListBox1Change();
        int countDuring = -1;
        onProgress_ = [&](int updates) {
            if (updates != 2) return;
            f.ListBox1->setCurrentRow(0);
            QTest::mouseClick(f.Button14, Qt::LeftButton);
            QTest::mouseClick(f.Button15, Qt::LeftButton);
            // Delivered straight to the widgets, as between the run's windows
            // where no modal window holds input back.
            QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
            QApplication::sendEvent(f.ListBox1, &del);
            QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
            QApplication::sendEvent(f.Button15, &space);
            QKeyEvent spaceUp(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
            QApplication::sendEvent(f.Button15, &spaceUp);
            countDuring = f.ListCount();
        };
        f.BitBtn1->click();
        QCOMPARE(countDuring, kCount);
        QCOMPARE(dialogs_->Finished.size(), 1);
        QCOMPARE(lines_.size(), kCount);
        QVERIFY(f.isVisible());
        // And takes it again afterwards.
        f.ListAppend(Entries(0, 1));
        f.BatchListRefresh();
        QTest::mouseClick(f.Button15, Qt::LeftButton);
        QCOMPARE(f.ListCount(), 0);
    }

    // A failure of the window's own part of an entry (here its trash) reaches
    // the runner on its thread as the same failure: the entry fails by name,
    // the run ends there, and nothing crosses the event loop.
    void aFailureOfTheWindowReachesTheRunner() {
        form_.reset();
        auto dialogs = std::make_unique<TFakeDialogs>();
        dialogs_ = dialogs.get();
        form_ = std::make_unique<TTrashRefusingForm>(std::move(dialogs), QStringList{QStringLiteral("/")});
        form_->show();
        QVERIFY(QFile::copy(src_ + u'/' + names_[1], Output(dst_, 1)));
        form_->ListAppend(Entries(0, 3));
        form_->FileListBox1Change();
        form_->BitBtn1->click();
        QCOMPARE(
            dialogs_->Errors,
            QStringList{QStringLiteral("2/3 %1: ごみ箱に移せません: %2.").arg(names_[1], Output(dst_, 1))});
        QCOMPARE(form_->ListEntries(), Entries(1, 3));
        QCOMPARE(FileBytes(Output(dst_, 1)), FileBytes(src_ + u'/' + names_[1]));
    }

    // The same for a failure of an update the runner does not wait for: it
    // comes back at the runner's next call to the window.
    void aFailedProgressUpdateReachesTheRunner() {
        form_.reset();
        auto dialogs = std::make_unique<TFakeDialogs>();
        dialogs_ = dialogs.get();
        form_ = std::make_unique<TProgressFailingForm>(std::move(dialogs), QStringList{QStringLiteral("/")});
        form_->show();
        form_->ListAppend(Entries(0, 3));
        form_->FileListBox1Change();
        form_->BitBtn1->click();
        QCOMPARE(dialogs_->Errors.size(), 1);
        QVERIFY2(dialogs_->Errors[0].endsWith(QStringLiteral("表示できません.")),
                 qPrintable(dialogs_->Errors[0]));
        QVERIFY(dialogs_->Finished.isEmpty());
        QVERIFY(!form_->Form2 && !QApplication::overrideCursor());
        std::vector<std::string> notWritten;
        for (int i = 0; i < 3; ++i)
            if (!QFile::exists(Output(dst_, i))) notWritten.push_back(Entry(i));
        QCOMPARE(form_->ListEntries(), notWritten);
    }

    // Stopped after the third entry started: the three are written whole,
    // no later one starts, no box, and the list keeps the other seventeen.
    void stopAfterTheThirdEntry_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("中止") << 0;
        QTest::newRow("Esc") << 1;
        QTest::newRow("close box") << 2;
    }
    void stopAfterTheThirdEntry() {
        QFETCH(int, how);
        TForm1& f = *form_;
        SelectAll();
        bool buttonShown = false, disabledAfter = false;
        onProgress_ = [&](int updates) {
            if (updates != 3) return;
            TForm2& p = *f.Form2;
            buttonShown = p.Button1->isVisible() && p.Button1->isEnabled() &&
                          p.Button1->text() == QStringLiteral("中止") &&
                          p.Button1->geometry().bottom() < TForm2::kClientHeight &&
                          p.Button1->width() >= p.Button1->fontMetrics().horizontalAdvance(p.Button1->text());
            if (how == 0) QTest::mouseClick(p.Button1, Qt::LeftButton);
            if (how == 1) QTest::keyClick(&p, Qt::Key_Escape);
            if (how == 2) QVERIFY(!p.close());
            disabledAfter = !p.Button1->isEnabled();
        };
        f.BitBtn1->click();

        QVERIFY(buttonShown);
        QVERIFY(disabledAfter);
        QCOMPARE(lines_.size(), 3);
        QCOMPARE(done_, (QList<int>{0, 1, 2}));
        QVERIFY(dialogs_->Finished.isEmpty() && dialogs_->Errors.isEmpty() &&
                dialogs_->FailureTexts.isEmpty());
        QCOMPARE(dialogs_->Beeps, 0);
        QCOMPARE(f.ListEntries(), Entries(3, kCount));
        for (int i = 0; i < kCount; ++i) QCOMPARE(QFile::exists(Output(dst_, i)), i < 3);
        CheckListHoldsWhatIsNotWritten();
        QVERIFY(!f.Form2);
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(f.BitBtn1->isEnabled());
        QCOMPARE(f.focusWidget(), static_cast<QWidget*>(f.FileListBox1));
        QCOMPARE(f.Label46->text(), QString::number(kCount - 3));

        // Run again: the rest, each picture once, and the list empties.
        f.BitBtn1->click();
        QCOMPARE(dialogs_->Finished.size(), 1);
        QCOMPARE(f.ListCount(), 0);
        CheckListHoldsWhatIsNotWritten();
    }

    // Return held down on 実行 repeats into 中止, which then has the focus:
    // the repeats do not stop the run; a fresh press does.
    void aHeldKeyDoesNotStopTheRun() {
        SelectAll();
        onProgress_ = [&](int updates) {
            QPushButton* stop = form_->Form2->Button1;
            if (updates == 2) {
                QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
                QApplication::sendEvent(stop, &repeat);
            }
            if (updates == 5) {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QApplication::sendEvent(stop, &press);
            }
        };
        form_->BitBtn1->click();
        QCOMPARE(lines_.size(), 5);
        QCOMPARE(form_->ListEntries(), Entries(5, kCount));
    }

    // Stopped as the third entry ends: later entries already under way are
    // finished and written whole; the list keeps exactly those not written.
    void stopAsTheThirdEntryEnds() {
        SelectAll();
        onDone_ = [&](const TEntryOutcome& outcome) {
            if (outcome.Index == 2) QTest::mouseClick(form_->Form2->Button1, Qt::LeftButton);
        };
        form_->BitBtn1->click();
        QVERIFY(dialogs_->Finished.isEmpty() && dialogs_->Errors.isEmpty());
        QVERIFY(done_.size() >= 3 && done_.size() < kCount);
        for (int i = 0; i < done_.size(); ++i) QCOMPARE(done_[i], i);
        QCOMPARE(form_->ListCount(), kCount - static_cast<int>(done_.size()));
        CheckListHoldsWhatIsNotWritten();
    }

    // A picture that cannot be read, fifth of twenty. Without skipping the run
    // ends there, naming it, and the list keeps it and those after it; with
    // "エラーの項目を飛ばす" every other picture is written, a box lists every
    // failure, and the list keeps just the failed entries.
    void failingEntry_data() {
        QTest::addColumn<bool>("skip");
        QTest::newRow("skip off") << false;
        QTest::newRow("skip on") << true;
    }
    void failingEntry() {
        QFETCH(bool, skip);
        TForm1& f = *form_;
        auto* item = qobject_cast<QAction*>(f.OptionControl(TOptionId::KeepGoing));
        QVERIFY(item && item->isCheckable() && !item->isChecked());
        QCOMPARE(item->text(), QStringLiteral("エラーの項目を飛ばす"));
        if (skip) item->trigger();
        for (int bad : {4, 11}) {
            QFile file(src_ + u'/' + names_[bad]);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write("no picture") > 0);
        }
        SelectAll();
        f.BitBtn1->click();

        QVERIFY(dialogs_->Finished.isEmpty());
        if (!skip) {
            QCOMPARE(dialogs_->Errors.size(), 1);
            QVERIFY2(dialogs_->Errors[0].startsWith(QStringLiteral("5/20 %1: ").arg(names_[4])),
                     qPrintable(dialogs_->Errors[0]));
            QVERIFY(dialogs_->FailureTexts.isEmpty());
            QCOMPARE(dialogs_->Beeps, 0);
            QCOMPARE(f.ListEntries(), Entries(4, kCount));
            for (int i = 0; i < kCount; ++i) QCOMPARE(QFile::exists(Output(dst_, i)), i < 4);
        } else {
            QVERIFY(dialogs_->Errors.isEmpty());
            QCOMPARE(dialogs_->Beeps, 1);
            QCOMPARE(dialogs_->FailureTexts,
                     QStringList{QStringLiteral("20 項目のうち 2 項目を変換できませんでした。\r\n"
                                                "変換できなかった項目が一括操作リストに残っています。")});
            const QList<TFailureRow>& rows = dialogs_->FailureRows[0];
            QCOMPARE(rows.size(), 2);
            QCOMPARE(rows[0].Entry, QStringLiteral("5/20"));
            QCOMPARE(rows[0].File, src_ + u'/' + names_[4]);
            QCOMPARE(rows[1].Entry, QStringLiteral("12/20"));
            QCOMPARE(rows[1].File, src_ + u'/' + names_[11]);
            for (const TFailureRow& row : rows) QVERIFY2(!row.Message.isEmpty(), qPrintable(row.File));
            QCOMPARE(f.ListEntries(), (std::vector<std::string>{Entry(4), Entry(11)}));
            for (int i = 0; i < kCount; ++i) QCOMPARE(QFile::exists(Output(dst_, i)), i != 4 && i != 11);
        }
        CheckListHoldsWhatIsNotWritten();
        QVERIFY(f.ListBox1->isEnabled() && f.Button17->isEnabled());
        QCOMPARE(f.focusWidget(), static_cast<QWidget*>(f.FileListBox1));
    }

    // The real box: its caption, its line, a row per failure with every
    // text whole, and OK.
    void realFailureBox() {
        const std::unique_ptr<TDialogs> dialogs = MakeQtDialogs();
        const QList<TFailureRow> rows = {
            {QStringLiteral("5/500"), QStringLiteral("/home/user/写真/2024/旅行/IMG_0042.JPG"),
             QStringLiteral("JPEG エラー #53")},
            {QStringLiteral("312/500"), QStringLiteral("/home/user/写真/2024/旅行/とても長い名前の写真.bmp"),
             QStringLiteral("ビットマップイメージが不正です")},
        };
        struct {
            QString Title, Text;
            int Rows = 0;
            QStringList Cells;
            bool Whole = true, ReadOnly = true, Ok = false;
        } seen;
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [&, timer] {
            auto* box = qobject_cast<TFailureBox*>(QApplication::activeModalWidget());
            if (!box) return;
            timer->stop();
            seen.Title = box->windowTitle();
            seen.Text = box->Text->text();
            seen.Rows = box->Table->rowCount();
            for (int r = 0; r < box->Table->rowCount(); ++r) {
                for (int c = 0; c < TFailureBox::kColumns; ++c) {
                    const QTableWidgetItem* cell = box->Table->item(r, c);
                    seen.Cells << cell->text();
                    seen.ReadOnly &= !(cell->flags() & Qt::ItemIsEditable);
                    seen.Whole &= box->Table->columnWidth(c) >=
                                  box->Table->fontMetrics().horizontalAdvance(cell->text());
                }
            }
            int columns = 0;
            for (int c = 0; c < TFailureBox::kColumns; ++c) columns += box->Table->columnWidth(c);
            seen.Whole &= box->Table->viewport()->width() >= columns;
            auto* buttons = box->findChild<QDialogButtonBox*>();
            seen.Ok = buttons && buttons->buttons().size() == 1;
            if (seen.Ok) buttons->buttons()[0]->click();
        });
        timer->start(10);
        dialogs->ShowFailures(
            form_.get(), QStringLiteral("500 項目のうち 2 項目を変換できませんでした。\r\n残っています。"),
            rows);
        delete timer;
        QCOMPARE(seen.Title, QStringLiteral("Corvane"));
        QCOMPARE(seen.Text, QStringLiteral("500 項目のうち 2 項目を変換できませんでした。\n残っています。"));
        QCOMPARE(seen.Rows, 2);
        QCOMPARE(seen.Cells, (QStringList{rows[0].Entry, rows[0].File, rows[0].Message, rows[1].Entry,
                                          rows[1].File, rows[1].Message}));
        QVERIFY(seen.Whole);
        QVERIFY(seen.ReadOnly);
        QVERIFY(seen.Ok);
    }

    // Five hundred failures with long paths: every row is there, and the box
    // stays within the screen (the table scrolls).
    void failureBoxOfAWholeHoliday() {
        QList<TFailureRow> rows;
        for (int i = 0; i < 500; ++i)
            rows << TFailureRow{
                QStringLiteral("%1/500").arg(i + 1),
                QStringLiteral("/home/user/写真/%1/IMG_%2.JPG").arg(QString(300, u'x')).arg(i),
                QStringLiteral("JPEG エラー #53")};
        TFailureBox box(form_.get(), QStringLiteral("500 項目のうち 500 項目を変換できませんでした。"), rows);
        QCOMPARE(box.Table->rowCount(), 500);
        QCOMPARE(box.Table->item(499, TFailureBox::kFileColumn)->text(), rows[499].File);
        const QRect screen = form_->screen()->availableGeometry();
        QVERIFY(box.width() <= screen.width() && box.height() <= screen.height());
        QVERIFY(box.Table->minimumHeight() > 12 * box.Table->rowHeight(0));
    }
};

CORVANE_UI_TEST_MAIN(ThreadedRunTest)
#include "threaded_run_test.moc"
