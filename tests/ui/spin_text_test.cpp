// The numeric edit's text rules without a widget: parsing at the edges of
// 32 bits, every display mode both ways, another decimal separator, and
// the range rule.
#include "ui/spin_text.h"

#include <QTest>
#include <climits>

using namespace corvane;

namespace {

SpinTextRule Rule(TSpinType type, unsigned factor = 1, int maxLength = 0) {
    SpinTextRule rule;
    rule.SpinType = type;
    rule.MulOrDiv = factor;
    rule.MaxLength = maxLength;
    return rule;
}

}  // namespace

class SpinTextTest : public QObject {
    Q_OBJECT
private slots:
    void parsers() {
        using namespace spintext;
        QCOMPARE(ParseDecimal(QStringLiteral("-000000000000000012")), std::optional<std::int64_t>(-12));
        QCOMPARE(ParseDecimal(QStringLiteral("1000000000000000000")), std::nullopt);  // 19 digits
        QCOMPARE(ParseDecimal(QStringLiteral("+")), std::nullopt);
        QCOMPARE(ParseDecimal(QStringLiteral("١٢")), std::nullopt);  // digits of another script
        QCOMPARE(ParseHex(QStringLiteral("80000000")), std::optional<std::int64_t>(INT_MIN));
        QCOMPARE(ParseHex(QStringLiteral("-80000000")), std::optional<std::int64_t>(INT_MIN));
        QCOMPARE(ParseHex(QStringLiteral("+80000000")), std::nullopt);  // signed: a value, not a pattern
        QCOMPARE(ParseHex(QStringLiteral("-")), std::nullopt);
        QCOMPARE(ParseFixed(QStringLiteral("-.5"), u'.'), std::optional<double>(-0.5));
        QCOMPARE(ParseFixed(QStringLiteral("2."), u'.'), std::optional<double>(2.0));
        QCOMPARE(ParseFixed(QStringLiteral("1,5"), u'.'), std::nullopt);
        QCOMPARE(ZeroPadded(-7, 3), QStringLiteral("-007"));
        QCOMPARE(ZeroPadded(12345, 3), QStringLiteral("12345"));
        QCOMPARE(Magnitude(INT_MIN), std::int64_t{2147483648});
    }

    // Each mode writes a text that reads back as the same value.
    void roundTrip_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("factor");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain bottom") << int(stNone) << 1 << 0 << INT_MIN << "-2147483648";
        QTest::newRow("hex bottom") << int(stHex) << 1 << 0 << INT_MIN << "80000000";
        QTest::newRow("hex unpadded") << int(stHex) << 1 << 0 << 10 << "A";
        QTest::newRow("binary top") << int(stByn) << 1 << 16 << 65535 << "1111111111111111";
        QTest::newRow("multiplied bottom") << int(stMul) << 65535 << 0 << INT_MIN << "-140735340871680";
        QTest::newRow("divided negative") << int(stDiv) << 10 << 0 << -5 << "-0.5";
        QTest::newRow("divided top") << int(stDiv) << 10 << 0 << INT_MAX << "214748364.7";
    }
    void roundTrip() {
        QFETCH(int, type);
        QFETCH(int, factor);
        QFETCH(int, maxLength);
        QFETCH(int, value);
        QFETCH(QString, text);
        const SpinTextRule rule =
            Rule(static_cast<TSpinType>(type), static_cast<unsigned>(factor), maxLength);
        QCOMPARE(rule.ValueToText(value, 0), text);
        QCOMPARE(rule.TextToValue(text), value);
    }

    void binaryKeepsTheShownLength() {
        const SpinTextRule rule = Rule(stByn);
        QCOMPARE(rule.ValueToText(5, 6), QStringLiteral("000101"));
        QCOMPARE(rule.ValueToText(5, 0), QString());
        // Digits past the sixteenth all stand for the top bit.
        QCOMPARE(rule.TextToValue(QStringLiteral("100000000000000000")), 32768);
    }

    void otherDecimalSeparator() {
        SpinTextRule rule = Rule(stDiv, 100);
        rule.MuFraction = 2;
        rule.DecimalSeparator = u',';
        QCOMPARE(rule.ValueToText(-1234, 0), QStringLiteral("-12,34"));
        QCOMPARE(rule.TextToValue(QStringLiteral("-12,34")), -1234);
        rule.MinValue = -1;
        QCOMPARE(rule.TextToValue(QStringLiteral("12.34")), -1);
    }

    void limiting() {
        SpinTextRule rule;
        QCOMPARE(rule.LimitValue(INT_MIN), INT_MIN);  // equal bounds: none
        rule.MinValue = -3;
        rule.MaxValue = 3;
        QCOMPARE(rule.LimitValue(4), 3);
        QCOMPARE(rule.LimitValue(-4), -3);
        rule.Options = soEndless;
        QCOMPARE(rule.LimitValue(4), -3);
        QCOMPARE(rule.LimitValue(-4), 3);
        QCOMPARE(rule.LimitValue(3), 3);
        SpinTextRule binary = Rule(stByn);
        QCOMPARE(binary.LimitValue(-65536), 65535);
        QCOMPARE(binary.LimitValue(-65535), -65535);
    }
};

QTEST_GUILESS_MAIN(SpinTextTest)
#include "spin_text_test.moc"
