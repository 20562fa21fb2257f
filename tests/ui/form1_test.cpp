// The main window: start-up state and layout, the folder link, the
// run-button rule, invert and release, the batch list buttons with their
// dialogs, the option handlers, help and about.
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "fake_dialogs.h"
#include "ui/SpinEx.h"
#include "ui/corvane01u1.h"
#include "ui/directory_list_box.h"
#include "ui/file_list_box.h"
#include "ui/list_box.h"
#include "ui/option_controls.h"
#include "ui/path_label.h"
#include "ui/radio_group.h"
#include "ui_test_main.h"

using namespace corvane;

namespace {

void Touch(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

QString ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Opens a subfolder the way a click does: the selection moves, the open
// follows from the event loop.
void ClickFolder(TDirectoryListBox* list, const QString& name) {
    const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(name));
    list->setCurrentItem(found.last());
    QCoreApplication::processEvents();
}

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> root_;
    QString src_, dst_;
    TFakeDialogs* dialogs_ = nullptr;  // owned by the form
    std::unique_ptr<TForm1> form_;

    QString Src(const QString& name = {}) const { return name.isEmpty() ? src_ : src_ + u'/' + name; }
    std::string Entry(const QString& file, const QString& folder) const {
        return ('"' + file + QStringLiteral("\",\"") + folder + QStringLiteral("/\"")).toStdString();
    }

private slots:
    void init() {
        root_ = std::make_unique<QTemporaryDir>();
        src_ = root_->filePath(QStringLiteral("src"));
        dst_ = root_->filePath(QStringLiteral("dst"));
        QDir(root_->path()).mkpath(QStringLiteral("src/sub"));
        QDir(root_->path()).mkpath(QStringLiteral("dst"));
        for (const char* name : {"a.jpg", "b.bmp", "c.jpg", "d.jpeg"}) Touch(Src(QString::fromLatin1(name)));
        QDir::setCurrent(src_);
        auto dialogs = std::make_unique<TFakeDialogs>();
        dialogs_ = dialogs.get();
        form_ = std::make_unique<TForm1>(std::move(dialogs), QStringList{QStringLiteral("/")});
    }
    void cleanup() {
        form_.reset();
        QDir::setCurrent(QDir::rootPath());
        root_.reset();
    }

    void startUpState() {
        TForm1& f = *form_;
        QCOMPARE(f.windowTitle(), QStringLiteral("Corvane"));
        QCOMPARE(f.DirectoryListBox1->Directory(), src_);
        QCOMPARE(f.DirectoryListBox2->Directory(), src_);
        QCOMPARE(f.FileListBox1->count(), 4);
        QCOMPARE(f.Label6->Path(), src_);
        QVERIFY(!f.BitBtn1->isEnabled());
        QCOMPARE(f.Label46->text(), QStringLiteral("0"));
        QVERIFY(f.CheckBox13->isChecked());
        for (QWidget* w : {static_cast<QWidget*>(f.ListBox1), static_cast<QWidget*>(f.Button14),
                           static_cast<QWidget*>(f.Button15), static_cast<QWidget*>(f.Button17)})
            QVERIFY(!w->isEnabled());
        QVERIFY(f.Button13->isEnabled() && f.Button16->isEnabled());
        QCOMPARE(f.OpenDialog1.InitialDir, src_);
        QCOMPARE(f.SaveDialog1.InitialDir, src_);
        const TConversionSettings defaults;
        const TConversionSettings read = f.ReadSettings();
        QCOMPARE(read.Brightness, defaults.Brightness);
        QCOMPARE(read.Level, defaults.Level);
        QCOMPARE(read.Gamma, defaults.Gamma);
        QCOMPARE(read.GammaInverse, defaults.GammaInverse);
        QCOMPARE(read.LevelInverse, defaults.LevelInverse);
        QCOMPARE(read.ToneFirst, defaults.ToneFirst);
        QCOMPARE(read.Angle, defaults.Angle);
        QCOMPARE(read.Circum, defaults.Circum);
        QCOMPARE(read.Mirror, defaults.Mirror);
        QVERIFY(read.AutoTurn == defaults.AutoTurn);
        QCOMPARE(read.SaveFormat, defaults.SaveFormat);
        QVERIFY(read.NameCase == defaults.NameCase);
        QCOMPARE(read.JPEGQuality, defaults.JPEGQuality);
        QCOMPARE(read.Progressive, defaults.Progressive);
    }

    // Every control of an option stands for its row of the option table:
    // range, step, scale, caption, items and default; and a run reads each
    // control through that row.
    void optionControlsFollowTheTable() {
        for (const TOptionRow& row : OptionTable()) {
            TForm1& f = *form_;  // a new window for every row
            const QByteArray name = QByteArray(row.CliName.data(), row.CliName.size());
            QObject* control = f.OptionControl(row.Id);
            QVERIFY2((control != nullptr) == (row.Place != TOptionPlace::CommandLine), name);
            if (!control) continue;
            TConversionSettings expected;
            if (auto* spin = qobject_cast<TSpinEx*>(control)) {
                QCOMPARE(spin->MinValue(), row.Min);
                QCOMPARE(spin->MaxValue(), row.Max);
                QCOMPARE(spin->Increment(), row.Step);
                QCOMPARE(int(spin->MulOrDiv()), row.Scale);
                QCOMPARE(spin->SpinType(), row.Scale == 1 ? stNone : stDiv);
                QCOMPARE(spin->Value(), row.Default);
                QCOMPARE(spin->text(), QString::fromStdString(FormatOptionValue(row, row.Default)));
                spin->SetValue(row.Min);
                row.Set(expected, row.Min);
            } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
                QCOMPARE(box->text(), OptionCaption(row));
                QCOMPARE(box->isChecked(), row.Default != 0);
                box->setChecked(!box->isChecked());
                row.Set(expected, row.Default ? 0 : 1);
            } else if (auto* group = qobject_cast<TRadioGroup*>(control)) {
                QCOMPARE(group->title(), OptionCaption(row));
                QCOMPARE(group->Count(), int(row.Choices.size()));
                for (int i = 0; i < group->Count(); ++i)
                    QCOMPARE(group->Button(i)->text(), OptionItems(row)[i]);
                QCOMPARE(group->ItemIndex(), row.Default);
                group->SetItemIndex(group->Count() - 1);
                row.Set(expected, group->Count() - 1);
            } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
                QStringList items;
                for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
                QCOMPARE(items, OptionItems(row));
                combo->setCurrentIndex(combo->count() - 1);
                if (row.Kind == TOptionKind::Text) {
                    QCOMPARE(QString::fromUtf8(row.DefaultText.data(), row.DefaultText.size()), items[0]);
                    expected.*row.TextField = items.last().toStdString();
                } else {
                    QCOMPARE(row.Default, 0);
                    row.Set(expected, combo->count() - 1);
                }
            } else if (auto* item = qobject_cast<QAction*>(control)) {
                QCOMPARE(row.Place, TOptionPlace::SettingsMenu);
                QVERIFY(f.SettingsMenu->actions().contains(item));
                QCOMPARE(item->text(), OptionCaption(row));
                QVERIFY(item->isCheckable());
                QCOMPARE(item->isChecked(), row.Default != 0);
                item->setChecked(!item->isChecked());
                row.Set(expected, row.Default ? 0 : 1);
            } else if (auto* radios = qobject_cast<QActionGroup*>(control)) {
                QCOMPARE(row.Place, TOptionPlace::SettingsMenu);
                QStringList items;
                for (QAction* a : radios->actions()) items << a->text();
                QCOMPARE(items, OptionItems(row));
                QVERIFY(radios->isExclusive());
                QCOMPARE(radios->actions().indexOf(radios->checkedAction()), row.Default);
                auto* sub = qobject_cast<QMenu*>(radios->parent());
                QVERIFY(sub && sub->title() == OptionCaption(row));
                QVERIFY(f.SettingsMenu->actions().contains(sub->menuAction()));
                const int other = row.Default == 0 ? int(radios->actions().size()) - 1 : 0;
                radios->actions()[other]->setChecked(true);
                row.Set(expected, other);
            } else {
                QFAIL(name);
            }
            if (row.Place == TOptionPlace::Control) QVERIFY(qobject_cast<QWidget*>(control));
            // Only this option differs from the defaults in what the window reads.
            const TConversionSettings read = f.ReadSettings();
            for (const TOptionRow& other : OptionTable()) {
                if (other.Kind == TOptionKind::Text)
                    QCOMPARE(read.*other.TextField, expected.*other.TextField);
                else
                    QVERIFY2(other.Get(read) == other.Get(expected), name + " / " + other.CliName.data());
            }
            form_.reset();
            init();
        }
    }

    // Nothing cut off: every control inside its parent, the whole layout
    // inside the client area, every caption within its control, and every
    // character of every caption in the font (no boxes).
    void layoutFitsAndEveryCharacterHasAGlyph() {
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        QWidget* client = form_->centralWidget();
        QVERIFY(client->width() >= TForm1::kClientWidth && client->height() >= TForm1::kClientHeight);
        for (QWidget* w : client->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(form_.get()) || w->isWindow()) continue;
            const QRect inside = w->parentWidget()->rect();
            QVERIFY2(inside.contains(w->geometry()),
                     qPrintable(w->objectName() + w->metaObject()->className()));
        }
        auto check = [](const QWidget* w, const QString& text, int room) {
            const QFontMetrics fm(w->font());
            for (const QChar c : text) QVERIFY2(fm.inFont(c), qPrintable(text));
            QVERIFY2(fm.horizontalAdvance(text) <= room, qPrintable(text));
        };
        for (const QLabel* l : client->findChildren<QLabel*>()) check(l, l->text(), l->width());
        for (const QPushButton* b : client->findChildren<QPushButton*>()) check(b, b->text(), b->width() - 4);
        for (const QCheckBox* b : client->findChildren<QCheckBox*>()) check(b, b->text(), b->width() - 17);
        for (const QGroupBox* g : client->findChildren<QGroupBox*>()) check(g, g->title(), g->width() - 8);
    }

    void folderLink_data() {
        QTest::addColumn<bool>("linked");
        QTest::addColumn<bool>("selection");
        QTest::addColumn<bool>("fromSource");
        QTest::addColumn<bool>("sourceMoves");
        QTest::addColumn<bool>("destinationMoves");
        QTest::newRow("source, linked") << true << false << true << true << true;
        QTest::newRow("destination, linked") << true << false << false << true << true;
        QTest::newRow("source, linked, files selected") << true << true << true << true << true;
        QTest::newRow("destination, linked, files selected") << true << true << false << false << true;
        QTest::newRow("source, not linked") << false << false << true << true << false;
        QTest::newRow("destination, not linked") << false << false << false << false << true;
    }
    void folderLink() {
        QFETCH(bool, linked);
        QFETCH(bool, selection);
        QFETCH(bool, fromSource);
        QFETCH(bool, sourceMoves);
        QFETCH(bool, destinationMoves);
        TForm1& f = *form_;
        f.CheckBox13->setChecked(linked);
        if (selection) f.FileListBox1->SetSelected(1, true);
        ClickFolder(fromSource ? f.DirectoryListBox1 : f.DirectoryListBox2, QStringLiteral("sub"));
        const QString sub = Src(QStringLiteral("sub"));
        QCOMPARE(f.DirectoryListBox1->Directory(), sourceMoves ? sub : src_);
        QCOMPARE(f.DirectoryListBox2->Directory(), destinationMoves ? sub : src_);
        QCOMPARE(f.Label7->Path(), f.DirectoryListBox2->Directory());
        // A source that stayed keeps its selection; a new one has none.
        QCOMPARE(f.FileListBox1->SelCount(), selection && !sourceMoves ? 1 : 0);
    }

    void driveLink() {
        // A second "drive" that remembers a folder on it.
        QDir(root_->path()).mkpath(QStringLiteral("drive/inner"));
        const QString drive = root_->filePath(QStringLiteral("drive"));
        form_.reset();
        auto dialogs = std::make_unique<TFakeDialogs>();
        form_ = std::make_unique<TForm1>(std::move(dialogs), QStringList{QStringLiteral("/"), drive});
        TForm1& f = *form_;
        QCOMPARE(f.DriveComboBox1->Drive(), QStringLiteral("/"));

        f.DirectoryListBox2->SetDirectory(drive + QStringLiteral("/inner"));
        // The folder change moved the drive box without pulling the list back.
        QCOMPARE(f.DriveComboBox2->Drive(), drive);
        QCOMPARE(f.DirectoryListBox2->Directory(), drive + QStringLiteral("/inner"));
        QCOMPARE(f.DirectoryListBox1->Directory(), drive + QStringLiteral("/inner"));
        QCOMPARE(f.DriveComboBox1->Drive(), drive);

        // Choosing a drive goes to its remembered folder; the source follows
        // only while no file is selected.
        f.DirectoryListBox1->SetDirectory(src_);
        f.FileListBox1->SetSelected(0, true);
        f.DriveComboBox2->SetDrive(QStringLiteral("/"));
        QCOMPARE(f.DirectoryListBox2->Directory(), src_);
        f.DriveComboBox2->SetDrive(drive);
        QCOMPARE(f.DirectoryListBox2->Directory(), drive + QStringLiteral("/inner"));
        QCOMPARE(f.DirectoryListBox1->Directory(), src_);
        QCOMPARE(f.FileListBox1->SelCount(), 1);
    }

    void runButtonRuleAndCount() {
        TForm1& f = *form_;
        f.FileListBox1->SetSelected(0, true);
        QVERIFY(f.BitBtn1->isEnabled());
        QCOMPARE(f.Label46->text(), QStringLiteral("1"));
        f.FileListBox1->SetSelected(0, false);
        QVERIFY(!f.BitBtn1->isEnabled());
        f.ListAppend({"\"x\",\"y\""});
        f.FileListBox1Change();
        QVERIFY(f.BitBtn1->isEnabled());
        f.FileListBox1->SetSelected(2, true);
        QCOMPARE(f.Label46->text(), QStringLiteral("2"));
        f.Button15Click();
        QVERIFY(f.BitBtn1->isEnabled());  // the selection is left
        QCOMPARE(f.Label46->text(), QStringLiteral("1"));
    }

    void invertAndRelease() {
        TForm1& f = *form_;
        f.FileListBox1->SetSelected(0, true);
        f.FileListBox1->SetSelected(2, true);
        f.Button11->click();
        QCOMPARE(f.FileListBox1->SelectedFileNames(), (std::vector<std::string>{"b.bmp", "d.jpeg"}));
        QCOMPARE(f.Label46->text(), QStringLiteral("2"));
        f.Button11->click();
        QCOMPARE(f.FileListBox1->SelectedFileNames(), (std::vector<std::string>{"a.jpg", "c.jpg"}));
        Touch(Src(QStringLiteral("e.jpg")));
        f.ListAppend({"\"x\",\"y\""});
        f.Button12->click();
        QCOMPARE(f.FileListBox1->SelCount(), 0);
        QCOMPARE(f.FileListBox1->count(), 5);
        QCOMPARE(f.Label46->text(), QStringLiteral("1"));
        // On an empty file list invert only refreshes the count.
        f.DirectoryListBox1->SetDirectory(Src(QStringLiteral("sub")));
        f.Button11->click();
        QCOMPARE(f.Label46->text(), QStringLiteral("1"));
    }

    void addDelClear() {
        TForm1& f = *form_;
        f.FileListBox1->SetSelected(0, true);
        f.FileListBox1->SetSelected(3, true);
        f.DirectoryListBox2->SetDirectory(dst_);  // files selected: the source stays
        f.Button13->click();
        QCOMPARE(f.ListEntries(),
                 (std::vector<std::string>{Entry(Src("a.jpg"), dst_), Entry(Src("d.jpeg"), dst_)}));
        QCOMPARE(f.FileListBox1->SelCount(), 0);
        QCOMPARE(f.Label46->text(), QStringLiteral("2"));
        QVERIFY(f.ListBox1->isEnabled() && f.Button14->isEnabled() && f.Button17->isEnabled());
        QVERIFY(f.ListBox1->HorizontalExtent() >
                f.ListBox1->TextWidth(QString::fromStdString(f.ListEntry(0))));

        // ADD without a selection adds nothing but re-reads the folder.
        Touch(Src(QStringLiteral("e.jpg")));
        f.Button13->click();
        QCOMPARE(f.ListCount(), 2);
        QCOMPARE(f.FileListBox1->count(), 5);

        f.FileListBox1->SetSelected(1, true);
        f.Button13->click();
        f.FileListBox1->SetSelected(1, true);
        f.Button13->click();  // the same file twice gives two entries
        QCOMPARE(f.ListCount(), 4);
        f.ListBox1->item(0)->setSelected(true);
        f.ListBox1->item(2)->setSelected(true);
        f.Button14->click();
        QCOMPARE(f.ListEntries(),
                 (std::vector<std::string>{Entry(Src("d.jpeg"), dst_), Entry(Src("b.bmp"), dst_)}));
        QCOMPARE(f.Label46->text(), QStringLiteral("2"));
        f.Button14->click();  // nothing selected: nothing changes
        QCOMPARE(f.ListCount(), 2);
        f.Button15->click();
        QCOMPARE(f.ListCount(), 0);
        QVERIFY(!f.ListBox1->isEnabled() && !f.Button14->isEnabled() && !f.Button15->isEnabled() &&
                !f.Button17->isEnabled() && !f.BitBtn1->isEnabled());
    }

    void saveAndLoad() {
        TForm1& f = *form_;
        const std::vector<std::string> entries{Entry(Src("a.jpg"), dst_), Entry(Src("b.bmp"), dst_)};
        f.ListAppend(entries);
        f.BatchListRefresh();

        dialogs_->Answers = {QString()};  // cancelled
        f.Button17->click();
        QCOMPARE(QDir(root_->path()).entryList(QDir::Files).size(), 0);

        const QString typed = root_->filePath(QStringLiteral("list"));
        dialogs_->Answers = {typed};
        f.Button17->click();
        const QString saved = typed + QStringLiteral(".csv");
        QCOMPARE(f.SaveDialog1.FileName, saved);
        QCOMPARE(ReadAll(saved), QString::fromStdString(entries[0] + "\r\n" + entries[1] + "\r\n"));
        const TFileDialogRequest& save = dialogs_->Requests.last();
        QVERIFY(save.Save);
        QCOMPARE(save.Title, QStringLiteral("一括操作リストの保存"));
        QCOMPARE(save.NameFilters,
                 (QStringList{"CSV Text Documents(*.csv) (*.csv)", "ALL Documents(*.*) (*)"}));
        QCOMPARE(save.InitialDir, src_);

        // Saving again offers the same file and replaces it without a question.
        f.Button15->click();
        f.ListAppend({entries[1]});
        f.BatchListRefresh();
        dialogs_->Answers = {saved};
        f.Button17->click();
        QCOMPARE(dialogs_->Requests.last().FileName, saved);
        QCOMPARE(ReadAll(saved), QString::fromStdString(entries[1] + "\r\n"));

        // LOAD replaces the list; a cancelled LOAD leaves it.
        f.ListAppend({"\"keep\",\"me\""});
        dialogs_->Answers = {QString()};
        f.Button16->click();
        QCOMPARE(f.ListCount(), 2);
        QFile file(saved);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(entries[0] + "\n\r" + entries[1]));  // LF, CR, no final break
        file.close();
        dialogs_->Answers = {saved};
        f.Button16->click();
        QCOMPARE(f.ListEntries(), (std::vector<std::string>{entries[0], "", entries[1]}));
        QCOMPARE(dialogs_->Requests.last().Title, QStringLiteral("一括操作リストの読込"));
        QCOMPARE(dialogs_->Requests.last().NameFilters,
                 (QStringList{"CSV Text Documents(*.csv) (*.csv)", "All Documents(*.*) (*)"}));
        QVERIFY(f.BitBtn1->isEnabled());
        QCOMPARE(f.Label46->text(), QStringLiteral("3"));

        // A missing file: the list is left empty, and looks it, before the error.
        const QString missing = root_->filePath(QStringLiteral("missing.csv"));
        dialogs_->Answers = {missing};
        f.Button16->click();
        QCOMPARE(f.ListCount(), 0);
        QVERIFY(!f.BitBtn1->isEnabled() && !f.Button17->isEnabled());
        QCOMPARE(f.Label46->text(), QStringLiteral("0"));
        QCOMPARE(dialogs_->Errors, QStringList{QStringLiteral("ファイル %1 は開けません.").arg(missing)});
        QCOMPARE(f.OpenDialog1.FileName, missing);
    }

    void comboBox1Change_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("jpegOptions");
        QTest::newRow("bitmap") << ".bmp" << false;
        QTest::newRow("capitals") << ".BMP" << true;
        QTest::newRow("jpeg") << ".jpg" << true;
        QTest::newRow("auto") << "AUTO" << true;
        QTest::newRow("typed") << ".png" << true;
    }
    void comboBox1Change() {
        QFETCH(QString, text);
        QFETCH(bool, jpegOptions);
        TForm1& f = *form_;
        f.ComboBox1->setEditText(QStringLiteral(".bmp"));
        f.ComboBox1->setEditText(text);
        QCOMPARE(f.SpinEx5->isEnabled(), jpegOptions);
        QCOMPARE(f.CheckBox14->isEnabled(), jpegOptions);
        QVERIFY(f.GroupBox3->isEnabled());
        QCOMPARE(f.ReadSettings().SaveFormat, text.toStdString());
    }

    void comboBox2IndexIsTheExactItem() {
        TForm1& f = *form_;
        f.ComboBox2->setCurrentIndex(2);
        QCOMPARE(f.ComboBox2Index(), 2);
        QVERIFY(f.ReadSettings().AutoTurn == TAutoTurn::Landscape);
        f.ComboBox2->lineEdit()->clear();
        QTest::keyClicks(f.ComboBox2->lineEdit(), QStringLiteral("typed"));
        QTest::keyClick(f.ComboBox2->lineEdit(), Qt::Key_Return);
        QCOMPARE(f.ComboBox2->count(), 3);  // nothing inserted
        QCOMPARE(f.ComboBox2Index(), -1);
        QVERIFY(f.ReadSettings().AutoTurn == TAutoTurn::None);
        f.ComboBox2->setEditText(QStringLiteral("正立（Portraite）"));
        QCOMPARE(f.ComboBox2Index(), 1);
    }

    void aboutBox() {
        form_->About1->trigger();
        QCOMPARE(dialogs_->Informations, QStringList{QStringLiteral("Corvane - Vestral\r\n (Ver. 2)")});
        QCOMPARE(BoxText(dialogs_->Informations.first()), QStringLiteral("Corvane - Vestral\n (Ver. 2)"));
    }

    void helpStartsTheBrowserWithoutAShell() {
        // A page whose path has blanks, and a "browser" that records its arguments.
        const QString page = root_->filePath(QStringLiteral("my help $(x).htm"));
        Touch(page);
        const QString record = root_->filePath(QStringLiteral("args.txt"));
        const QString browser = root_->filePath(QStringLiteral("browser"));
        QFile script(browser);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1.tmp' && mv '%1.tmp' '%1'\n")
                         .arg(record)
                         .toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        form_->OpenHelp(page, {browser, {QStringLiteral("--new-window")}});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
        QCOMPARE(ReadAll(record), QStringLiteral("--new-window\n") + page + u'\n');
        QVERIFY(dialogs_->Informations.isEmpty());

        // A browser that cannot be started: its error number and the command line.
        const QString missing = root_->filePath(QStringLiteral("no such browser"));
        form_->OpenHelp(page, {missing, {}});
        QCOMPARE(dialogs_->Informations,
                 QStringList{QStringLiteral("Exec Error 2\r\n") + missing + u' ' + page});
        // No page: nothing at all.
        form_->OpenHelp(root_->filePath(QStringLiteral("none.htm")), {missing, {}});
        QCOMPARE(dialogs_->Informations.size(), 1);
    }

    void browserCommandLine_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("commandLine");
        QTest::newRow("any browser") << "/usr/bin/firefox" << QStringList{"/p/c.htm"}
                                     << "/usr/bin/firefox /p/c.htm";
        QTest::newRow("netscape in capitals")
            << "/opt/NETSCAPE.EXE" << QStringList{"-h", "/p/c.htm"} << "/opt/NETSCAPE.EXE -h /p/c.htm";
        QTest::newRow("netscape without .exe")
            << "/usr/bin/netscape" << QStringList{"/p/c.htm"} << "/usr/bin/netscape /p/c.htm";
    }
    void browserCommandLine() {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QString, commandLine);
        const TBrowserCommand command = BrowserCommand({program, {}}, QStringLiteral("/p/c.htm"));
        QCOMPARE(command.Program, program);
        QCOMPARE(command.Arguments, arguments);
        QCOMPARE(command.CommandLine, commandLine);
        QCOMPARE(HelpPagePath(QStringLiteral("/usr/bin/corvane")), QStringLiteral("/usr/bin/corvane.htm"));
        QCOMPARE(HelpPagePath(QStringLiteral("/a.b/convert.exe")), QStringLiteral("/a.b/convert.htm"));
    }

    void desktopExec_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("field code dropped") << "[Desktop Entry]\nExec=firefox-esr %u\n"
                                            << "firefox-esr" << QStringList{};
        QTest::newRow("quoted program") << "[Desktop Entry]\nExec=\"/opt/My Browser/run\" --new %U\n"
                                        << "/opt/My Browser/run" << QStringList{"--new"};
        QTest::newRow("env prefix") << "[Desktop Entry]\nExec=env A=1 B=2 chromium %U\n"
                                    << "chromium" << QStringList{};
        QTest::newRow("other group only") << "[Desktop Action x]\nExec=wrong\n"
                                          << "" << QStringList{};
    }
    void desktopExec() {
        QFETCH(QString, text);
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        const TAssociatedProgram p = DesktopExecProgram(text);
        QCOMPARE(p.Program, program);
        QCOMPARE(p.Arguments, arguments);
    }
};

CORVANE_UI_TEST_MAIN(Form1Test)
#include "form1_test.moc"
