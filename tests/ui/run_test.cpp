// A run through the window: from a real selection to the "変換終了" box with
// the progress window's lines, a failing run that keeps its list, a run with
// nothing to do; and the real message boxes and file dialogs.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "fake_dialogs.h"
#include "ui/corvane01u1.h"
#include "ui/directory_list_box.h"
#include "ui/file_list_box.h"
#include "ui/list_box.h"
#include "ui_test_main.h"

using namespace corvane;

namespace {

struct TProgressSnapshot {
    QString Caption, Line1, Line2;
    int Position, Maximum;
    bool Visible, Modal, OnTop, CloseRefused;
    QSize Size;
    int EntriesAfterSecondClick;
};

// Waits for the next modal widget of type T, hands it to `act` and returns.
template <class T>
void WhenModal(std::function<void(T*)> act) {
    auto* timer = new QTimer;  // deletes itself once the widget shows
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start(10);
}

// Types a name as a user would. selectFile() depends on the dialog's
// directory model having loaded, which happens asynchronously.
void TypeFileName(QFileDialog* d, const QString& path) {
    const QFileInfo info(path);
    d->setDirectory(info.absolutePath());
    auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(info.fileName());
}

}  // namespace

class RunTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> root_;
    QString src_, dst_;
    TFakeDialogs* dialogs_ = nullptr;  // owned by the form
    std::unique_ptr<TForm1> form_;
    QList<TProgressSnapshot> progress_;

    std::string Entry(const QString& file, const QString& folder) const {
        return ('"' + src_ + u'/' + file + QStringLiteral("\",\"") + folder + QStringLiteral("/\""))
            .toStdString();
    }

private slots:
    void init() {
        root_ = std::make_unique<QTemporaryDir>();
        src_ = root_->filePath(QStringLiteral("src"));
        dst_ = root_->filePath(QStringLiteral("dst"));
        QDir(root_->path()).mkpath(QStringLiteral("src"));
        QDir(root_->path()).mkpath(QStringLiteral("dst"));
        const QString data = QStringLiteral(CORVANE_TESTDATA_DIR);
        QVERIFY(QFile::copy(data + QStringLiteral("/jpeg/testorig.jpg"), src_ + QStringLiteral("/a.jpg")));
        QVERIFY(QFile::copy(data + QStringLiteral("/bmpsuite/g/rgb24.bmp"), src_ + QStringLiteral("/b.bmp")));
        QDir::setCurrent(src_);
        auto dialogs = std::make_unique<TFakeDialogs>();
        dialogs_ = dialogs.get();
        form_ = std::make_unique<TForm1>(std::move(dialogs), QStringList{QStringLiteral("/")});
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));

        progress_.clear();
        connect(form_.get(), &TForm1::ProgressRepainted, this, [this] {
            TForm1& f = *form_;
            TForm2& p = *f.Form2;
            const int before = f.ListCount();
            f.BitBtn1Click();  // a second run cannot start inside the first
            progress_ << TProgressSnapshot{p.windowTitle(),
                                           p.Label1->text(),
                                           p.Label2->text(),
                                           p.ProgressBar1->value(),
                                           p.ProgressBar1->maximum(),
                                           p.isVisible(),
                                           p.windowModality() == Qt::ApplicationModal,
                                           bool(p.windowFlags() & Qt::WindowStaysOnTopHint),
                                           !f.close(),
                                           p.size(),
                                           f.ListCount() - before};
            QCOMPARE(
                QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor,
                Qt::WaitCursor);
        });
    }
    void cleanup() {
        form_.reset();
        QDir::setCurrent(QDir::rootPath());
        root_.reset();
    }

    void wholeRunFromTheSelection() {
        TForm1& f = *form_;
        f.FileListBox1->SetSelected(0, true);
        f.FileListBox1->SetSelected(1, true);
        f.DirectoryListBox2->SetDirectory(dst_);
        QVERIFY(f.BitBtn1->isEnabled());
        f.BitBtn1->click();

        QCOMPARE(progress_.size(), 2);
        const QString lines[2][2] = {{"1/2  From File: a.jpg", "        To File : ../dst/a.jpg"},
                                     {"2/2  From File: b.bmp", "        To File : ../dst/b.bmp"}};
        for (int i = 0; i < 2; ++i) {
            const TProgressSnapshot& s = progress_[i];
            QCOMPARE(s.Caption, QStringLiteral("FILE画像変換状況"));
            QCOMPARE(s.Line1, lines[i][0]);
            QCOMPARE(s.Line2, lines[i][1]);
            QCOMPARE(s.Position, i + 1);
            QCOMPARE(s.Maximum, 2);
            QVERIFY(s.Visible && s.Modal && s.OnTop && s.CloseRefused);
            QCOMPARE(s.Size, QSize(TForm2::kClientWidth, TForm2::kClientHeight));
            QCOMPARE(s.EntriesAfterSecondClick, 0);
        }
        QCOMPARE(dialogs_->Finished, QStringList{QStringLiteral("変換終了")});
        QCOMPARE(dialogs_->Beeps, 1);
        QVERIFY(dialogs_->Errors.isEmpty());
        QVERIFY(QFileInfo(dst_ + QStringLiteral("/a.jpg")).size() > 0);
        QVERIFY(QFileInfo(dst_ + QStringLiteral("/b.bmp")).size() > 0);
        QCOMPARE(f.ListCount(), 0);
        QCOMPARE(f.FileListBox1->SelCount(), 0);
        QVERIFY(!f.BitBtn1->isEnabled());
        QCOMPARE(f.Label46->text(), QStringLiteral("0"));
        QVERIFY(!f.Form2);
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(!f.Running());
        // The window can be closed again once the run is over.
        QVERIFY(f.close());
    }

    void failingRunKeepsItsList() {
        TForm1& f = *form_;
        const QString missing = root_->filePath(QStringLiteral("missing"));
        f.ListAppend({Entry("a.jpg", dst_), Entry("a.jpg", missing), Entry("b.bmp", dst_)});
        f.BatchListRefresh();
        f.FileListBox1Change();
        f.BitBtn1->click();

        QCOMPARE(progress_.size(), 2);
        QCOMPARE(progress_[1].Line1, QStringLiteral("2/3  From File: a.jpg"));
        QCOMPARE(dialogs_->Errors.size(), 1);
        QVERIFY2(dialogs_->Errors[0].startsWith(QStringLiteral("ファイル ")) &&
                     dialogs_->Errors[0].endsWith(QStringLiteral("を作成できません.")),
                 qPrintable(dialogs_->Errors[0]));
        QVERIFY(dialogs_->Finished.isEmpty());
        QCOMPARE(dialogs_->Beeps, 0);
        QCOMPARE(f.ListCount(), 3);
        QVERIFY(QFile::exists(dst_ + QStringLiteral("/a.jpg")));
        QVERIFY(!QFile::exists(dst_ + QStringLiteral("/b.bmp")));
        QVERIFY(!f.Form2);
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(f.BitBtn1->isEnabled());
        QCOMPARE(f.Label46->text(), QStringLiteral("3"));
    }

    void runWithNothingToDo() {
        form_->BitBtn1Click();
        QVERIFY(progress_.isEmpty());
        QCOMPARE(dialogs_->Finished, QStringList{QStringLiteral("変換終了")});
        QCOMPARE(dialogs_->Beeps, 1);
    }

    void realMessageBoxes() {
        const std::unique_ptr<TDialogs> dialogs = MakeQtDialogs();
        struct Seen {
            QString Title, Text;
            QMessageBox::Icon Icon;
            bool Owned, AppModal;
        } seen{};
        auto record = [&](QMessageBox* box) {
            seen = {box->windowTitle(), box->text(), box->icon(), box->parentWidget() != nullptr,
                    box->windowModality() == Qt::ApplicationModal};
            box->accept();
        };
        WhenModal<QMessageBox>(record);
        dialogs->ShowFinished(QStringLiteral("変換終了"));
        QCOMPARE(seen.Title, QStringLiteral("Information"));
        QCOMPARE(seen.Text, QStringLiteral("変換終了"));
        QCOMPARE(seen.Icon, QMessageBox::NoIcon);
        QVERIFY(!seen.Owned && seen.AppModal);

        WhenModal<QMessageBox>(record);
        dialogs->ShowError(form_.get(), QStringLiteral("ファイル <b>x</b> を作成できません."));
        QCOMPARE(seen.Title, QStringLiteral("Corvane"));
        QCOMPARE(seen.Icon, QMessageBox::Critical);
        QCOMPARE(seen.Text, QStringLiteral("ファイル <b>x</b> を作成できません."));

        WhenModal<QMessageBox>(record);
        dialogs->ShowInformation(form_.get(), QStringLiteral("Corvane - Vestral\r\n (Ver. 2)"));
        QCOMPARE(seen.Title, QStringLiteral("情報"));
        QCOMPARE(seen.Icon, QMessageBox::Information);
        QCOMPARE(seen.Text, QStringLiteral("Corvane - Vestral\n (Ver. 2)"));
    }

    void realFileDialogs() {
        const std::unique_ptr<TDialogs> dialogs = MakeQtDialogs();
        TListFileDialog open;
        open.Title = QStringLiteral("一括操作リストの読込");
        open.Filter = QStringLiteral("CSV Text Documents(*.csv)|*.csv|All Documents(*.*)|*.*");
        open.InitialDir = src_;
        const QString missing = root_->filePath(QStringLiteral("not there.csv"));
        QStringList shownFilters;
        QString title;
        WhenModal<QFileDialog>([&](QFileDialog* d) {
            title = d->windowTitle();
            if (auto* types = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
                for (int i = 0; i < types->count(); ++i) shownFilters << types->itemText(i);
            TypeFileName(d, missing);
            static_cast<QDialog*>(d)->accept();
        });
        QVERIFY(open.Execute(*dialogs, form_.get()));
        QCOMPARE(open.FileName, missing);  // a name that does not exist is taken
        QCOMPARE(title, QStringLiteral("一括操作リストの読込"));
        QCOMPARE(shownFilters, (QStringList{"CSV Text Documents(*.csv)", "All Documents(*.*)"}));

        // Saving over an existing file asks nothing.
        const QString existing = root_->filePath(QStringLiteral("old.csv"));
        QFile(existing).open(QIODevice::WriteOnly);
        TListFileDialog save;
        save.Save = true;
        save.DefaultExt = QStringLiteral("csv");
        save.Filter = open.Filter;
        WhenModal<QFileDialog>([&](QFileDialog* d) {
            TypeFileName(d, existing);
            static_cast<QDialog*>(d)->accept();
        });
        QVERIFY(save.Execute(*dialogs, form_.get()));
        QCOMPARE(save.FileName, existing);
        QVERIFY(!QApplication::activeModalWidget());

        WhenModal<QFileDialog>([](QFileDialog* d) { static_cast<QDialog*>(d)->reject(); });
        QVERIFY(!save.Execute(*dialogs, form_.get()));
        QCOMPARE(save.FileName, existing);
    }
};

CORVANE_UI_TEST_MAIN(RunTest)
#include "run_test.moc"
