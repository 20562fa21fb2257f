// TSpinEx: value through the text in every mode, limiting, the exit rule,
// typed characters, steps and the setting rules.
#include "ui/SpinEx.h"

#include <QFocusEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <climits>

#include "ui/option_controls.h"
#include "ui_test_main.h"

using namespace corvane;

namespace {

// Boxes of the main window, made from their option rows as the window makes them.
enum Box { Brightness, Level, Gamma, Angle, Quality };

std::unique_ptr<TSpinEx> MakeBox(Box box) {
    const TOptionId ids[] = {TOptionId::Brightness, TOptionId::Level, TOptionId::Gamma, TOptionId::Angle,
                             TOptionId::JPEGQuality};
    auto spin = std::make_unique<TSpinEx>();
    ConfigureSpin(*spin, OptionRow(ids[box]));
    return spin;
}

void Leave(TSpinEx& spin) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&spin, &out);
}

}  // namespace

class SpinExTest : public QObject {
    Q_OBJECT
private slots:
    void creationState() {
        TSpinEx spin;
        QCOMPARE(spin.text(), QStringLiteral("0"));
        QCOMPARE(spin.Value(), 0);
        QVERIFY(!spin.testAttribute(Qt::WA_InputMethodEnabled));
        QCOMPARE(spin.Options(), TSpinOptions(soRetNext));
        QCOMPARE(spin.Button()->width(), TSpinEx::kButtonWidth);
        // Both bounds 0: no limiting at all.
        spin.SetValue(1000);
        QCOMPARE(spin.text(), QStringLiteral("1000"));
    }

    void windowBoxesShowTheirValues() {
        QCOMPARE(MakeBox(Brightness)->text(), QStringLiteral("0"));
        QCOMPARE(MakeBox(Level)->text(), QStringLiteral("1.0"));
        QCOMPARE(MakeBox(Gamma)->text(), QStringLiteral("1.8"));
        QCOMPARE(MakeBox(Angle)->text(), QStringLiteral("0.0"));
        QCOMPARE(MakeBox(Quality)->text(), QStringLiteral("90"));
        auto angle = MakeBox(Angle);
        angle->SetValue(-3600);
        QCOMPARE(angle->text(), QStringLiteral("-360.0"));
    }

    void valueToText_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("factor");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<bool>("zero");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << int(stNone) << 1 << 0 << false << -42 << "-42";
        QTest::newRow("zero padded") << int(stNone) << 1 << 4 << true << 5 << "0005";
        QTest::newRow("zero padded negative") << int(stNone) << 1 << 4 << true << -5 << "-0005";
        QTest::newRow("hex padded") << int(stHex) << 1 << 4 << false << 300 << "012C";
        QTest::newRow("hex negative") << int(stHex) << 1 << 8 << false << -1 << "FFFFFFFF";
        QTest::newRow("binary") << int(stByn) << 1 << 8 << false << 5 << "00000101";
        QTest::newRow("multiplied") << int(stMul) << 15 << 0 << false << 3 << "45";
        QTest::newRow("multiplied past 32 bits")
            << int(stMul) << 1000 << 0 << false << 3000000 << "3000000000";
        QTest::newRow("divided") << int(stDiv) << 10 << 0 << false << 18 << "1.8";
        QTest::newRow("divided, two decimals") << int(stDiv) << 100 << 0 << false << 5 << "0.05";
    }
    void valueToText() {
        QFETCH(int, type);
        QFETCH(int, factor);
        QFETCH(int, maxLength);
        QFETCH(bool, zero);
        QFETCH(int, value);
        QFETCH(QString, text);
        TSpinEx spin;
        spin.SetSpinType(static_cast<TSpinType>(type));
        spin.SetMulOrDiv(static_cast<unsigned short>(factor));
        spin.SetMaxLength(maxLength);
        if (factor == 100) spin.SetMuFraction(2);
        if (zero) spin.SetOptions(soRetNext | soZero);
        spin.SetValue(value);
        QCOMPARE(spin.text(), text);
        QCOMPARE(spin.Value(), value);
    }

    void textToValue_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("factor");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        const int kMin = -7;  // MinValue: what unreadable text gives
        QTest::newRow("decimal") << int(stNone) << 1 << "+12" << 12;
        QTest::newRow("32-bit top") << int(stNone) << 1 << "2147483647" << INT_MAX;
        QTest::newRow("32-bit bottom") << int(stNone) << 1 << "-2147483648" << INT_MIN;
        QTest::newRow("beyond 32 bits") << int(stNone) << 1 << "2147483648" << kMin;
        QTest::newRow("far beyond") << int(stNone) << 1 << "99999999999999999999999" << kMin;
        QTest::newRow("empty") << int(stNone) << 1 << "" << kMin;
        QTest::newRow("sign alone") << int(stNone) << 1 << "-" << kMin;
        QTest::newRow("letters") << int(stNone) << 1 << "abc" << kMin;
        QTest::newRow("blank inside") << int(stNone) << 1 << " 5" << kMin;
        QTest::newRow("hex prefix") << int(stNone) << 1 << "0x10" << kMin;
        QTest::newRow("tenths") << int(stDiv) << 10 << "1.8" << 18;
        QTest::newRow("whole number") << int(stDiv) << 10 << "2" << 20;
        QTest::newRow("negative tenths") << int(stDiv) << 10 << "-360.0" << -3600;
        QTest::newRow("half to even, down") << int(stDiv) << 10 << "0.25" << 2;
        QTest::newRow("half to even, up") << int(stDiv) << 10 << "0.75" << 8;
        QTest::newRow("exponent") << int(stDiv) << 10 << "1e3" << kMin;
        QTest::newRow("nan") << int(stDiv) << 10 << "nan" << kMin;
        QTest::newRow("inf") << int(stDiv) << 10 << "inf" << kMin;
        QTest::newRow("two separators") << int(stDiv) << 10 << "1.2.3" << kMin;
        QTest::newRow("separator alone") << int(stDiv) << 10 << "." << kMin;
        QTest::newRow("scaled past 32 bits") << int(stDiv) << 10 << "300000000" << kMin;
        QTest::newRow("hex") << int(stHex) << 1 << "ff" << 255;
        QTest::newRow("hex pattern") << int(stHex) << 1 << "FFFFFFFF" << -1;
        QTest::newRow("hex past 32 bits") << int(stHex) << 1 << "100000000" << kMin;
        QTest::newRow("binary") << int(stByn) << 1 << "101" << 5;
        QTest::newRow("binary, other characters count") << int(stByn) << 1 << "x01" << 5;
        QTest::newRow("multiplied truncates") << int(stMul) << 15 << "-46" << -3;
    }
    void textToValue() {
        QFETCH(int, type);
        QFETCH(int, factor);
        QFETCH(QString, text);
        QFETCH(int, value);
        TSpinEx spin;
        spin.SetSpinType(static_cast<TSpinType>(type));
        spin.SetMulOrDiv(static_cast<unsigned short>(factor));
        spin.SetMinValue(-7);
        spin.SetMaxValue(7);
        spin.setText(text);  // reading never limits
        QCOMPARE(spin.Value(), value);
    }

    void limiting() {
        TSpinEx spin;
        spin.SetMinValue(0);
        spin.SetMaxValue(10);
        spin.SetValue(11);
        QCOMPARE(spin.Value(), 10);
        spin.SetValue(-1);
        QCOMPARE(spin.Value(), 0);
        spin.SetOptions(soRetNext | soEndless);
        spin.SetValue(11);
        QCOMPARE(spin.Value(), 0);
        spin.SetValue(-1);
        QCOMPARE(spin.Value(), 10);
    }

    void leavingTheControl_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("value");
        QTest::newRow("gamma 2 gets its decimal") << int(Gamma) << "2"
                                                  << "2.0" << 20;
        QTest::newRow("level 99 stops at 2.7") << int(Level) << "99"
                                               << "2.7" << 27;
        QTest::newRow("level 0 rises to 0.1") << int(Level) << "0"
                                              << "0.1" << 1;
        QTest::newRow("brightness 300 stops at 255") << int(Brightness) << "300"
                                                     << "255" << 255;
        QTest::newRow("empty brightness shows MinValue") << int(Brightness) << ""
                                                         << "-255" << -255;
        // Plain mode, MinValue inside the range: the exit rule leaves the text.
        QTest::newRow("pasted letters stay") << int(Brightness) << "abc"
                                             << "abc" << -255;
        QTest::newRow("in range untouched") << int(Brightness) << "+7"
                                            << "+7" << 7;
    }
    void leavingTheControl() {
        QFETCH(int, box);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, value);
        auto spin = MakeBox(static_cast<Box>(box));
        QSignalSpy exits(spin.get(), &TSpinEx::Exit);
        spin->setText(typed);
        Leave(*spin);
        QCOMPARE(spin->text(), shown);
        QCOMPARE(spin->Value(), value);
        QCOMPARE(exits.count(), 1);
    }

    void acceptsChar_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<bool>("editor");
        QTest::addColumn<QString>("chars");
        QTest::addColumn<QString>("accepted");  // one '1' or '0' per character
        const QChar sep = TSpinEx::DecimalSeparator();
        QTest::newRow("plain") << int(stNone) << 0 << true << QStringLiteral("+-09a.\b\x16") << "11110011";
        QTest::newRow("divided takes the separator") << int(stDiv) << 0 << true << QString(sep) + "5e"
                                                     << "110";
        QTest::newRow("hex letters") << int(stHex) << 0 << true << "aFgG"
                                     << "1100";
        QTest::newRow("binary") << int(stByn) << 0 << true << "0129"
                                << "1100";
        QTest::newRow("editor off") << int(stNone) << 0 << false << QStringLiteral("5\b\x16") << "001";
    }
    void acceptsChar() {
        QFETCH(int, type);
        QFETCH(int, maxLength);
        QFETCH(bool, editor);
        QFETCH(QString, chars);
        QFETCH(QString, accepted);
        TSpinEx spin;
        spin.SetMulOrDiv(10);
        spin.SetSpinType(static_cast<TSpinType>(type));
        if (type != stDiv) spin.SetMulOrDiv(1);
        spin.SetMaxLength(maxLength);
        spin.SetEditorEnabled(editor);
        for (int i = 0; i < chars.size(); ++i)
            QVERIFY2(spin.AcceptsChar(chars[i]) == (accepted[i] == u'1'),
                     qPrintable(QStringLiteral("character %1").arg(chars[i].unicode())));
    }

    void typingGoesThroughAcceptsChar() {
        auto spin = MakeBox(Brightness);
        spin->clear();
        QTest::keyClicks(spin.get(), QStringLiteral("1x2.3"));
        QCOMPARE(spin->text(), QStringLiteral("123"));
        auto gamma = MakeBox(Gamma);
        gamma->clear();
        QTest::keyClicks(gamma.get(),
                         QStringLiteral("2") + TSpinEx::DecimalSeparator() + QStringLiteral("5"));
        QCOMPARE(gamma->Value(), 25);
        // MaxLength limits typing only.
        spin->SetMaxLength(4);
        QTest::keyClicks(spin.get(), QStringLiteral("45"));
        QCOMPARE(spin->text(), QStringLiteral("1234"));
        spin->SetValue(-255);
        QCOMPARE(spin->text(), QStringLiteral("-255"));
        spin->SetValue(123);
        // A box the user may not type into ignores typing and deleting.
        spin->SetEditorEnabled(false);
        QTest::keyClick(spin.get(), Qt::Key_Backspace);
        QTest::keyClicks(spin.get(), QStringLiteral("4"));
        QCOMPARE(spin->text(), QStringLiteral("123"));
    }

    void enterAndEscapeGoToTheOwner() {
        auto spin = MakeBox(Quality);
        spin->SetOptions({});
        QSignalSpy keys(spin.get(), &TSpinEx::KeyPress);
        QTest::keyClick(spin.get(), Qt::Key_Escape);
        QTest::keyClick(spin.get(), Qt::Key_Return);
        QCOMPARE(keys.count(), 2);
        QCOMPARE(keys[0][0].value<QChar>(), QChar(27));
        QCOMPARE(keys[1][0].value<QChar>(), QChar(u'\r'));
        QCOMPARE(spin->text(), QStringLiteral("90"));
    }

    void steps() {
        auto angle = MakeBox(Angle);
        QTest::keyClick(angle.get(), Qt::Key_Up);
        QCOMPARE(angle->text(), QStringLiteral("90.0"));
        angle->SetValue(3600);
        angle->StepUp();
        QCOMPARE(angle->text(), QStringLiteral("360.0"));
        QTest::keyClick(angle.get(), Qt::Key_Down);
        QCOMPARE(angle->text(), QStringLiteral("270.0"));
        // One click on an arrow is one step.
        QTest::mouseClick(angle->Button()->UpButton(), Qt::LeftButton);
        QCOMPARE(angle->Value(), 3600);
        QTest::mouseClick(angle->Button()->DownButton(), Qt::LeftButton);
        QCOMPARE(angle->Value(), 2700);
        angle->setReadOnly(true);
        angle->StepDown();
        QCOMPARE(angle->Value(), 2700);
    }

    void settingRules() {
        auto level = MakeBox(Level);
        level->SetMulOrDiv(15);  // not a multiple of 10: ignored outside stMul
        QCOMPARE(level->MulOrDiv(), 10u);
        QCOMPARE(level->text(), QStringLiteral("1.0"));
        level->SetMulOrDiv(100);
        QCOMPARE(level->MulOrDiv(), 100u);
        QCOMPARE(level->text(), QStringLiteral("0.1"));  // the integer stays, one decimal shows

        TSpinEx mul;
        mul.SetSpinType(stMul);
        mul.SetValue(3);
        mul.SetMulOrDiv(15);
        QCOMPARE(mul.MulOrDiv(), 15u);
        QCOMPARE(mul.text(), QStringLiteral("45"));

        TSpinEx hex;
        hex.SetValue(300);
        hex.SetSpinType(stHex);
        QCOMPARE(hex.MaxLength(), 4);
        QCOMPARE(hex.text(), QStringLiteral("012C"));

        TSpinEx binary;
        binary.SetValue(70000);
        binary.SetSpinType(stByn);
        QCOMPARE(binary.MaxLength(), 16);
        QCOMPARE(binary.Value(), 65535);

        TSpinEx div;
        div.SetMulOrDiv(1);
        div.SetValue(7);
        div.SetMaxLength(3);
        div.SetOptions(soRetNext | soZero);
        QCOMPARE(div.text(), QStringLiteral("007"));
        div.SetOptions(soRetNext);
        QCOMPARE(div.text(), QStringLiteral("7"));
    }
};

CORVANE_UI_TEST_MAIN(SpinExTest)
#include "spinex_test.moc"
