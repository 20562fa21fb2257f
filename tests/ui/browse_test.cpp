// The browsing controls: path shortening, the file list's mask and order,
// the folder list's items, no-op and refusal, and the drives' folders.
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "imaging/errors.h"
#include "ui/directory_list_box.h"
#include "ui/drive_combo_box.h"
#include "ui/file_list_box.h"
#include "ui/path_label.h"
#include "ui_test_main.h"

using namespace corvane;

namespace {

void Touch(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

QStringList Texts(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) texts << list.item(i)->text();
    return texts;
}

}  // namespace

class BrowseTest : public QObject {
    Q_OBJECT
private slots:
    void pathShorteningSteps() {
        QStringList tried;
        const QString shown = MinimizeName(QStringLiteral("/aaa/bbb/ccc/ddd"), [&](const QString& t) {
            tried << t;
            return false;
        });
        QCOMPARE(tried, (QStringList{"/aaa/bbb/ccc/ddd", "/.../bbb/ccc/ddd", "/.../ccc/ddd", "/.../ddd",
                                     ".../ddd"}));
        QCOMPARE(shown, QStringLiteral("ddd"));
    }

    void pathShortening_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("maxChars");
        QTest::addColumn<QString>("shown");
        QTest::newRow("fits") << "/aaa/bbb" << 8 << "/aaa/bbb";
        QTest::newRow("first step") << "/long-name/b/c" << 12 << "/.../b/c";
        QTest::newRow("one level") << "/verylongname" << 5 << "verylongname";
        QTest::newRow("root") << "/" << 1 << "/";
        QTest::newRow("japanese names") << "/写真/2024/旅行" << 8 << "/.../旅行";
    }
    void pathShortening() {
        QFETCH(QString, path);
        QFETCH(int, maxChars);
        QFETCH(QString, shown);
        QCOMPARE(MinimizeName(path, [&](const QString& t) { return t.size() <= maxChars; }), shown);
    }

    void fileListShowsMatchingRegularFilesSortedWithoutCase() {
        QTemporaryDir dir;
        for (const char* name : {"b.jpg", "a.BMP", "photojpg", "c.JPEG", "Z.jpg", "d.png", ".hidden.jpg",
                                 "e.jpeg.txt", "x.bmpx", "f.HEIC", "g.tiff", "h.webp.part"})
            Touch(dir.filePath(QString::fromUtf8(name)));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.jpg")));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("pipe.jpg")).constData(), 0600), 0);
        QCOMPARE(::symlink("b.jpg", QFile::encodeName(dir.filePath("link.jpg")).constData()), 0);
        QCOMPARE(::symlink("gone.jpg", QFile::encodeName(dir.filePath("broken.jpg")).constData()), 0);

        TFileListBox list;
        QSignalSpy changes(&list, &TFileListBox::Change);
        list.SetDirectory(dir.path());
        // The further formats the readers take show too.
        QCOMPARE(Texts(list), (QStringList{"a.BMP", "b.jpg", "c.JPEG", "d.png", "f.HEIC", "g.tiff",
                                           "link.jpg", "photojpg", "Z.jpg"}));
        QCOMPARE(changes.count(), 1);
        QCOMPARE(list.FileName(0), std::string("a.BMP"));

        // The list reads its folder only when told to.
        Touch(dir.filePath("new.jpg"));
        QCOMPARE(list.count(), 9);
        list.SetSelected(1, true);
        list.Update();
        QCOMPARE(list.count(), 10);
        QCOMPARE(list.SelCount(), 0);
        QCOMPARE(changes.count(), 2);
    }

    void folderListShowsThePathThenTheSubfolders() {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("top/Beta"));
        QDir(dir.path()).mkpath(QStringLiteral("top/alpha"));
        QDir(dir.path()).mkpath(QStringLiteral("top/.hidden"));
        Touch(dir.filePath("top/file.jpg"));
        TDriveFolders drives({QStringLiteral("/")});
        TDirectoryListBox list(drives);
        list.SetDirectory(dir.filePath("top"));

        QStringList expected{"/"};
        expected << dir.filePath("top").split(u'/', Qt::SkipEmptyParts) << "alpha"
                 << "Beta";
        QCOMPARE(Texts(list), expected);
        QCOMPARE(list.currentRow(), expected.size() - 3);

        // The same folder, spelt differently, raises nothing.
        QSignalSpy changes(&list, &TDirectoryListBox::Change);
        list.SetDirectory(dir.filePath("top/") + QStringLiteral("./alpha/.."));
        QCOMPARE(changes.count(), 0);

        // A folder that cannot be opened is refused; the list keeps its folder.
        try {
            list.SetDirectory(dir.filePath("missing"));
            QFAIL("no failure");
        } catch (const ECorvaneError& e) {
            QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("I/O エラー (2)"));
        }
        QCOMPARE(list.Directory(), dir.filePath("top"));
        QCOMPARE(changes.count(), 0);
    }

    void folderListOpensOnOneClick() {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("sub"));
        TDriveFolders drives({QStringLiteral("/")});
        TDirectoryListBox list(drives);
        list.resize(300, 400);
        list.SetDirectory(dir.path());
        // The owner opens the item later, outside the list's own signal.
        connect(&list, &TDirectoryListBox::Click, &list, [&] {
            QMetaObject::invokeMethod(
                &list, [&] { list.OpenCurrent(); }, Qt::QueuedConnection);
        });
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const QRect rect = list.visualItemRect(list.item(list.count() - 1));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rect.center());
        QTRY_COMPARE(list.Directory(), dir.filePath("sub"));
    }

    void separatorCount_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("count");
        QTest::newRow("root") << "/" << 0;
        QTest::newRow("one level") << "/a" << 1;
        QTest::newRow("two levels") << "/a/b" << 2;
        QTest::newRow("trailing delimiter") << "/a/b/" << 2;
    }
    void separatorCount() {
        QFETCH(QString, folder);
        QFETCH(int, count);
        QCOMPARE(TDirectoryListBox::SeparatorCount(folder), count);
    }

    void drivesRememberTheirFolders() {
        TDriveFolders drives({QStringLiteral("/"), QStringLiteral("/mnt/usb")});
        QCOMPARE(drives.DriveOf(QStringLiteral("/mnt/usb/x")), QStringLiteral("/mnt/usb"));
        QCOMPARE(drives.DriveOf(QStringLiteral("/mnt/usb")), QStringLiteral("/mnt/usb"));
        QCOMPARE(drives.DriveOf(QStringLiteral("/mnt/usbx")), QStringLiteral("/"));
        QCOMPARE(drives.CurrentFolder(QStringLiteral("/mnt/usb")), QStringLiteral("/mnt/usb"));
        drives.Remember(QStringLiteral("/mnt/usb/x"));
        drives.Remember(QStringLiteral("/home"));
        QCOMPARE(drives.CurrentFolder(QStringLiteral("/mnt/usb")), QStringLiteral("/mnt/usb/x"));
        QCOMPARE(drives.CurrentFolder(QStringLiteral("/")), QStringLiteral("/home"));
    }

    void mountedDrivesIncludeTheRoot() {
        const TDriveFolders drives;
        QVERIFY(drives.Drives().contains(QStringLiteral("/")));
        for (const QString& d : drives.Drives()) QVERIFY2(QFileInfo(d).isDir(), qPrintable(d));
    }
};

CORVANE_UI_TEST_MAIN(BrowseTest)
#include "browse_test.moc"
