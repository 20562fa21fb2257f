#include "ui/spin_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace corvane {

namespace {

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
// More digits than this cannot be a 32-bit value in any mode (the
// multiplied mode needs up to 10 digits times a 16-bit factor).
constexpr int kMaxDigits = 18;

bool InInt32(std::int64_t v) { return v >= kInt32Min && v <= kInt32Max; }

}  // namespace

namespace spintext {

std::optional<std::int64_t> ParseDecimal(const QString& text) {
    int i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    if (i == text.size() || text.size() - i > kMaxDigits) return std::nullopt;
    std::int64_t v = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') return std::nullopt;
        v = v * 10 + (c - u'0');
    }
    return negative ? -v : v;
}

std::optional<std::int64_t> ParseHex(const QString& text) {
    int i = 0;
    int sign = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) sign = text[i++] == u'-' ? -1 : 1;
    if (i == text.size()) return std::nullopt;
    std::uint64_t v = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        v = v * 16 + digit;
        if (v > 0xFFFFFFFFu) return std::nullopt;
    }
    if (sign == 0) return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    const std::int64_t s = sign * static_cast<std::int64_t>(v);
    return InInt32(s) ? std::optional<std::int64_t>(s) : std::nullopt;
}

std::optional<double> ParseFixed(const QString& text, QChar separator) {
    std::string ascii;
    ascii.reserve(text.size());
    int i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-') ascii += '-';
        ++i;
    }
    bool digits = false;
    bool seenSeparator = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            ascii += static_cast<char>(c.unicode());
            digits = true;
        } else if (c == separator && !seenSeparator) {
            ascii += '.';
            seenSeparator = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    double v = 0;
    const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
    if (ec != std::errc() || end != ascii.data() + ascii.size()) return std::nullopt;
    return v;
}

QString ZeroPadded(std::int64_t v, int digits) {
    QString magnitude = QString::number(v < 0 ? -v : v);
    if (magnitude.size() < digits) magnitude.prepend(QString(digits - magnitude.size(), u'0'));
    return v < 0 ? u'-' + magnitude : magnitude;
}

std::int64_t Magnitude(int v) { return std::llabs(static_cast<long long>(v)); }

}  // namespace spintext

using namespace spintext;

int SpinTextRule::LimitValue(int value) const {
    if (MinValue != MaxValue) {
        if (value < MinValue)
            value = (Options & soEndless) ? MaxValue : MinValue;
        else if (value > MaxValue)
            value = (Options & soEndless) ? MinValue : MaxValue;
    }
    if (SpinType == stByn && Magnitude(value) > 65535) value = 65535;
    return value;
}

int SpinTextRule::TextToValue(const QString& text) const {
    if (text.isEmpty()) return MinValue;
    std::optional<std::int64_t> v;
    if (SpinType == stHex) {
        v = ParseHex(text);
    } else if (SpinType == stMul && MulOrDiv != 1) {
        if (const auto n = ParseDecimal(text)) v = *n / static_cast<std::int64_t>(MulOrDiv);
    } else if (SpinType == stDiv && MulOrDiv != 1) {
        if (const auto d = ParseFixed(text, DecimalSeparator)) {
            // Halves go to the even neighbour (the default rounding mode).
            const double scaled = std::nearbyint(*d * MulOrDiv);
            if (scaled >= static_cast<double>(kInt32Min) && scaled <= static_cast<double>(kInt32Max))
                v = static_cast<std::int64_t>(scaled);
        }
    } else if (SpinType == stByn) {
        std::uint32_t sum = 0;
        for (int k = 0; k < text.size(); ++k)
            if (text[text.size() - 1 - k] != u'0') sum += 1u << std::min(k, 15);
        return static_cast<int>(sum % 65536);
    } else {
        v = ParseDecimal(text);
    }
    if (!v || !InInt32(*v)) return MinValue;
    return static_cast<int>(*v);
}

QString SpinTextRule::ValueToText(int n, int shownLength) const {
    switch (SpinType) {
        case stHex: {
            const auto bits = static_cast<std::uint32_t>(n);
            return QStringLiteral("%1").arg(bits, MaxLength > 0 ? MaxLength : 0, 16, QChar(u'0')).toUpper();
        }
        case stMul:
            if (MulOrDiv != 1) {
                const std::int64_t product = static_cast<std::int64_t>(n) * MulOrDiv;
                return (Options & soZero) ? ZeroPadded(product, MaxLength) : QString::number(product);
            }
            break;
        case stDiv:
            if (MulOrDiv != 1) {
                QString text =
                    QString::number(static_cast<double>(n) / MulOrDiv, 'f', static_cast<int>(MuFraction));
                text.replace(u'.', DecimalSeparator);
                return text;
            }
            break;
        case stByn: {
            const int length = MaxLength > 0 ? MaxLength : shownLength;
            const auto bits = static_cast<std::uint32_t>(n) & 0xFFFFu;
            QString text;
            text.reserve(length);
            for (int k = length - 1; k >= 0; --k) text += (bits >> std::min(k, 15)) & 1u ? u'1' : u'0';
            return text;
        }
        case stNone:
            break;
    }
    return (Options & soZero) ? ZeroPadded(n, MaxLength) : QString::number(n);
}

}  // namespace corvane
