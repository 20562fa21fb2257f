// Qt's Japanese translation: it loads, and the standard boxes and file
// dialogs show its texts.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "ui/qt_translation.h"
#include "ui_test_main.h"

using namespace corvane;

class TranslationTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(InstallQtTranslation(*qApp)); }

    void messageBoxButtonsSpeakJapanese() {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Corvane"), QStringLiteral("?"),
                        QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Save);
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
        QCOMPARE(box.button(QMessageBox::Save)->text(), QStringLiteral("保存"));
    }

    void fileDialogSpeaksJapanese() {
        QFileDialog dialog(nullptr, QStringLiteral("一括操作リストの読込"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        QVERIFY(buttons);
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
        auto label = [&dialog](const char* name) {
            auto* l = dialog.findChild<QLabel*>(QString::fromLatin1(name));
            return l ? l->text() : QString();
        };
        QVERIFY2(label("fileNameLabel").startsWith(QStringLiteral("ファイル名")),
                 qPrintable(label("fileNameLabel")));
        QCOMPARE(label("fileTypeLabel"), QStringLiteral("ファイルの種類:"));
        QVERIFY(!label("lookInLabel").isEmpty() && label("lookInLabel") != QStringLiteral("Look in:"));
    }
};

CORVANE_UI_TEST_MAIN(TranslationTest)
#include "translation_test.moc"
