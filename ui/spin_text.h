// The text rules of the numeric edit, without a widget: how the integer is
// read from the text and written back in each display mode (plain,
// hexadecimal, binary, multiplied, divided), and how it is held to the range.
#pragma once

#include <QChar>
#include <QFlags>
#include <QString>
#include <cstdint>
#include <optional>

namespace corvane {

enum TSpinType { stNone, stHex, stByn, stMul, stDiv };

enum TSpinOption : unsigned {
    soRetNext = 1,   // Enter moves the focus on
    soUpDwNext = 2,  // Up/Down move the focus while text is selected
    soEndless = 4,   // out-of-range values wrap to the other bound
    soZero = 8,      // zero-padded to MaxLength digits
};
Q_DECLARE_FLAGS(TSpinOptions, TSpinOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TSpinOptions)

// The settings the text depends on, and the rules over them.
struct SpinTextRule {
    int MinValue = 0;
    int MaxValue = 0;  // equal bounds: no limiting at all
    TSpinType SpinType = stNone;
    int MaxLength = 0;
    unsigned MuFraction = 1;  // decimals shown in the divided mode
    unsigned MulOrDiv = 1;
    TSpinOptions Options = soRetNext;
    QChar DecimalSeparator = u'.';

    // The range (wrapping with soEndless); binary values stop at 65535.
    int LimitValue(int value) const;
    // Text that is not a 32-bit value in the mode gives MinValue; reading
    // never limits.
    int TextToValue(const QString& text) const;
    // `shownLength`: the binary mode without MaxLength keeps as many digits
    // as the text shown.
    QString ValueToText(int value, int shownLength) const;
};

namespace spintext {

// Sign and decimal digits, nothing else: no blanks, exponent or base prefix.
std::optional<std::int64_t> ParseDecimal(const QString& text);
// Optional sign, then up to eight hexadecimal digits. Without a sign the
// digits are a 32-bit pattern (FFFFFFFF is -1, as "%x" shows -1).
std::optional<std::int64_t> ParseHex(const QString& text);
// Sign, digits, and optionally the separator followed by digits.
std::optional<double> ParseFixed(const QString& text, QChar separator);
// "%0.*d": at least `digits` digits after the sign.
QString ZeroPadded(std::int64_t value, int digits);
std::int64_t Magnitude(int value);

}  // namespace spintext

}  // namespace corvane
