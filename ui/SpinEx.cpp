#include "ui/SpinEx.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QToolButton>
#include <QValidator>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <limits>
#include <memory>
#include <optional>

namespace corvane {

namespace {

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
// More digits than this cannot be a 32-bit value in any mode (the
// multiplied mode needs up to 10 digits times a 16-bit factor).
constexpr int kMaxDigits = 18;

bool InInt32(int64_t v) { return v >= kInt32Min && v <= kInt32Max; }

// Sign and decimal digits, nothing else: no blanks, exponent or base prefix.
std::optional<int64_t> ParseDecimal(const QString& text) {
    int i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    if (i == text.size() || text.size() - i > kMaxDigits) return std::nullopt;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') return std::nullopt;
        v = v * 10 + (c - u'0');
    }
    return negative ? -v : v;
}

// Optional sign, then up to eight hexadecimal digits. Without a sign the
// digits are a 32-bit pattern (FFFFFFFF is -1, as "%x" shows -1).
std::optional<int64_t> ParseHex(const QString& text) {
    int i = 0;
    int sign = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) sign = text[i++] == u'-' ? -1 : 1;
    if (i == text.size()) return std::nullopt;
    uint64_t v = 0;
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
    if (sign == 0) return static_cast<int32_t>(static_cast<uint32_t>(v));
    const int64_t s = sign * static_cast<int64_t>(v);
    return InInt32(s) ? std::optional<int64_t>(s) : std::nullopt;
}

// Sign, digits, and optionally the separator followed by digits.
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

// "%0.*d": at least `digits` digits after the sign.
QString ZeroPadded(int64_t v, int digits) {
    QString magnitude = QString::number(v < 0 ? -v : v);
    if (magnitude.size() < digits) magnitude.prepend(QString(digits - magnitude.size(), u'0'));
    return v < 0 ? u'-' + magnitude : magnitude;
}

int64_t Magnitude(int v) { return std::llabs(static_cast<long long>(v)); }

// The edit's text limit: typing and pasting stop at `length` characters,
// while the text written for a value may be longer (a sign, for one).
class TLengthLimit : public QValidator {
public:
    TLengthLimit(int length, QObject* parent) : QValidator(parent), length_(length) {}
    State validate(QString& input, int&) const override {
        return input.size() <= length_ ? Acceptable : Invalid;
    }

private:
    int length_;
};

}  // namespace

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent) {
    auto makeArrow = [this](Qt::ArrowType arrow) {
        auto* b = new QToolButton(this);
        b->setArrowType(arrow);
        b->setAutoRepeat(true);
        b->setAutoRepeatDelay(400);
        b->setAutoRepeatInterval(100);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::pressed, this, &TSpinButton::Pressed);
        return b;
    };
    up_ = makeArrow(Qt::UpArrow);
    down_ = makeArrow(Qt::DownArrow);
    connect(up_, &QToolButton::clicked, this, &TSpinButton::UpClick);
    connect(down_, &QToolButton::clicked, this, &TSpinButton::DownClick);
    setCursor(Qt::ArrowCursor);
}

void TSpinButton::resizeEvent(QResizeEvent*) {
    // The down arrow starts one pixel above the up arrow's bottom edge.
    const int upHeight = height() / 2;
    up_->setGeometry(0, 0, width(), upHeight);
    down_->setGeometry(0, upHeight - 1, width(), height() - upHeight + 1);
}

TSpinEx::TSpinEx(QWidget* parent) : QLineEdit(parent) {
    // Direct keystrokes only: composed input would bypass AcceptsChar.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setText(QStringLiteral("0"));
    button_ = new TSpinButton(this);
    button_->resize(kButtonWidth, kButtonHeight);
    connect(button_, &TSpinButton::Pressed, this, [this] {
        if ((focusPolicy() & Qt::TabFocus) && isEnabled() && isVisible() && !hasFocus())
            setFocus(Qt::OtherFocusReason);
    });
    // No exception may leave a slot: a failing step stops the repetition
    // and is handed to the owner's error display.
    auto step = [this](void (TSpinEx::*stepFn)()) {
        try {
            (this->*stepFn)();
        } catch (const std::exception& e) {
            button_->UpButton()->setDown(false);
            button_->DownButton()->setDown(false);
            emit Failed(QString::fromUtf8(e.what()));
        }
    };
    connect(button_, &TSpinButton::UpClick, this, [step] { step(&TSpinEx::StepUp); });
    connect(button_, &TSpinButton::DownClick, this, [step] { step(&TSpinEx::StepDown); });
    // The arrows' width only: the line edit keeps 2 pixels of its own inside
    // the margins, which is the gap the text leaves before the arrows.
    setTextMargins(0, 0, kButtonWidth, 0);
    setMinimumHeight(MinimumHeightForFont());
    PlaceButton();
}

QChar TSpinEx::DecimalSeparator() {
    static const QChar separator = [] {
        const QString point = QLocale().decimalPoint();
        return point.size() == 1 ? point[0] : QChar(u'.');
    }();
    return separator;
}

int TSpinEx::LimitValue(int value) const {
    if (minValue_ != maxValue_) {
        if (value < minValue_)
            value = (options_ & soEndless) ? maxValue_ : minValue_;
        else if (value > maxValue_)
            value = (options_ & soEndless) ? minValue_ : maxValue_;
    }
    if (spinType_ == stByn && Magnitude(value) > 65535) value = 65535;
    return value;
}

int TSpinEx::TextToValue(const QString& text) const {
    if (text.isEmpty()) return minValue_;
    std::optional<int64_t> v;
    if (spinType_ == stHex) {
        v = ParseHex(text);
    } else if (spinType_ == stMul && mulOrDiv_ != 1) {
        if (const auto n = ParseDecimal(text)) v = *n / static_cast<int64_t>(mulOrDiv_);
    } else if (spinType_ == stDiv && mulOrDiv_ != 1) {
        if (const auto d = ParseFixed(text, DecimalSeparator())) {
            // Halves go to the even neighbour (the default rounding mode).
            const double scaled = std::nearbyint(*d * mulOrDiv_);
            if (scaled >= static_cast<double>(kInt32Min) && scaled <= static_cast<double>(kInt32Max))
                v = static_cast<int64_t>(scaled);
        }
    } else if (spinType_ == stByn) {
        uint32_t sum = 0;
        for (int k = 0; k < text.size(); ++k)
            if (text[text.size() - 1 - k] != u'0') sum += 1u << std::min(k, 15);
        return static_cast<int>(sum % 65536);
    } else {
        v = ParseDecimal(text);
    }
    if (!v || !InInt32(*v)) return minValue_;
    return static_cast<int>(*v);
}

QString TSpinEx::ValueToText(int n) const {
    switch (spinType_) {
        case stHex: {
            const auto bits = static_cast<uint32_t>(n);
            return QStringLiteral("%1").arg(bits, maxLength_ > 0 ? maxLength_ : 0, 16, QChar(u'0')).toUpper();
        }
        case stMul:
            if (mulOrDiv_ != 1) {
                const int64_t product = static_cast<int64_t>(n) * mulOrDiv_;
                return (options_ & soZero) ? ZeroPadded(product, maxLength_) : QString::number(product);
            }
            break;
        case stDiv:
            if (mulOrDiv_ != 1) {
                QString text =
                    QString::number(static_cast<double>(n) / mulOrDiv_, 'f', static_cast<int>(muFraction_));
                text.replace(u'.', DecimalSeparator());
                return text;
            }
            break;
        case stByn: {
            const int length = maxLength_ > 0 ? maxLength_ : static_cast<int>(text().size());
            const auto bits = static_cast<uint32_t>(n) & 0xFFFFu;
            QString text;
            text.reserve(length);
            for (int k = length - 1; k >= 0; --k) text += (bits >> std::min(k, 15)) & 1u ? u'1' : u'0';
            return text;
        }
        case stNone:
            break;
    }
    return (options_ & soZero) ? ZeroPadded(n, maxLength_) : QString::number(n);
}

int TSpinEx::Value() const { return TextToValue(text()); }

void TSpinEx::SetValue(int value) {
    const QString t = ValueToText(LimitValue(value));
    if (t != text()) setText(t);
}

void TSpinEx::SetSpinType(TSpinType type) {
    if (type == spinType_) return;
    int v = Value();
    if (type == stHex && maxLength_ == 0) {
        maxLength_ = Magnitude(v) <= 255 ? 2 : Magnitude(v) <= 65535 ? 4 : 8;
    } else if (type == stByn) {
        if (Magnitude(v) > 65535) v = 65535;
        if (maxLength_ == 0) maxLength_ = Magnitude(v) <= 15 ? 4 : Magnitude(v) <= 255 ? 8 : 16;
        if (maxLength_ > 16) maxLength_ = 16;
    } else if (type == stDiv && mulOrDiv_ % 10 != 0) {
        mulOrDiv_ = mulOrDiv_ < 10 ? 1 : mulOrDiv_ - mulOrDiv_ % 10;
    }
    spinType_ = type;
    SetValue(v);
}

void TSpinEx::SetMaxLength(int length) {
    if (length < 0) length = 0;
    if (spinType_ == stByn && length > 16) length = 16;
    if (length == maxLength_) return;
    const int v = Value();
    maxLength_ = length;
    SetValue(v);
    // A limit on what the user enters, not on the text the value writes.
    const std::unique_ptr<const QValidator> previous(validator());
    setValidator(length > 0 ? new TLengthLimit(length, this) : nullptr);
}

void TSpinEx::SetMuFraction(unsigned char fraction) {
    const unsigned f = fraction == 0 ? 1 : fraction;
    if (f == muFraction_) return;
    const int v = Value();
    muFraction_ = f;
    SetValue(v);
}

void TSpinEx::SetMulOrDiv(unsigned short factor) {
    const unsigned m = factor == 0 ? 1 : factor;
    if (m == mulOrDiv_) return;
    if (spinType_ != stMul && m != 1 && m % 10 != 0) return;
    const int v = Value();  // read with the old factor
    mulOrDiv_ = m;
    if (spinType_ == stMul || spinType_ == stDiv) SetValue(v);
}

void TSpinEx::SetOptions(TSpinOptions options) {
    if (options == options_) return;
    const bool zeroChanged = (options ^ options_) & soZero;
    options_ = options;
    if (zeroChanged && maxLength_ > 0) SetValue(Value());
}

void TSpinEx::SetAlignment(Qt::Alignment a) { setAlignment(a | Qt::AlignVCenter); }

void TSpinEx::StepUp() {
    if (isReadOnly()) {
        QApplication::beep();
        return;
    }
    SetValue(static_cast<int>(
        std::clamp<int64_t>(static_cast<int64_t>(Value()) + increment_, kInt32Min, kInt32Max)));
}

void TSpinEx::StepDown() {
    if (isReadOnly()) {
        QApplication::beep();
        return;
    }
    SetValue(static_cast<int>(
        std::clamp<int64_t>(static_cast<int64_t>(Value()) - increment_, kInt32Min, kInt32Max)));
}

bool TSpinEx::AcceptsChar(QChar c) const {
    const char16_t u = c.unicode();
    bool accepted;
    if (u < 32) {
        accepted = u != u'\r';
    } else if (spinType_ == stByn) {
        accepted = (u == u'0' || u == u'1') && (maxLength_ == 0 || text().size() < maxLength_);
    } else {
        accepted = u == u'+' || u == u'-' || (u >= u'0' && u <= u'9');
        if (spinType_ == stHex) accepted = accepted || (u >= u'A' && u <= u'F') || (u >= u'a' && u <= u'f');
        if (spinType_ == stDiv && mulOrDiv_ != 1) accepted = accepted || c == DecimalSeparator();
    }
    if (!editorEnabled_ && (u >= 32 || u == u'\b')) accepted = false;
    return accepted;
}

void TSpinEx::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        if ((options_ & soUpDwNext) && hasSelectedText() && window() != this) {
            if (key == Qt::Key_Up)
                focusPreviousChild();
            else
                focusNextChild();
        } else if (key == Qt::Key_Up) {
            StepUp();
        } else {
            StepDown();
        }
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Paste)) {
        if (!CanEdit()) {
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        const bool enter = key != Qt::Key_Escape;
        if (enter && (options_ & soRetNext))
            focusNextChild();
        else
            emit KeyPress(enter ? QChar(u'\r') : QChar(27));
        event->accept();
        return;
    }
    // Delete edits like a typed character, so a box the user may not type
    // into refuses it as well.
    if (key == Qt::Key_Delete && !editorEnabled_) {
        event->accept();
        return;
    }
    const QString typed = event->text();
    if (key == Qt::Key_Backspace || (!typed.isEmpty() && typed[0] != QChar(127))) {
        const QChar c = key == Qt::Key_Backspace ? QChar(u'\b') : typed[0];
        if (!AcceptsChar(c)) {
            QApplication::beep();
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TSpinEx::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    const Qt::FocusReason r = event->reason();
    if (r != Qt::MouseFocusReason && r != Qt::ActiveWindowFocusReason && r != Qt::PopupFocusReason)
        selectAll();
}

void TSpinEx::focusOutEvent(QFocusEvent* event) {
    const Qt::FocusReason r = event->reason();
    // Another window or a popup taking the focus is not leaving the control.
    const bool leaving = r != Qt::ActiveWindowFocusReason && r != Qt::PopupFocusReason;
    if (leaving) ExitRule();
    QLineEdit::focusOutEvent(event);
    if (leaving) emit Exit();
}

void TSpinEx::ExitRule() {
    if (text().isEmpty()) SetValue(minValue_);
    const int v = Value();
    if (LimitValue(v) != v || spinType_ != stNone || (options_ & soZero)) SetValue(v);
}

void TSpinEx::contextMenuEvent(QContextMenuEvent* event) {
    if (!hasFocus()) setFocus(Qt::OtherFocusReason);
    event->accept();
}

void TSpinEx::mouseReleaseEvent(QMouseEvent* event) {
    // The middle button pastes the selection buffer on X11.
    if (event->button() == Qt::MiddleButton && !CanEdit()) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

int TSpinEx::MinimumHeightForFont() const {
    const int own = QFontInfo(font()).pixelSize();
    const int system = QFontInfo(QApplication::font()).pixelSize();
    return 4 + own + std::min(own, system) / 4 + 2;
}

void TSpinEx::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) setMinimumHeight(MinimumHeightForFont());
}

void TSpinEx::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    PlaceButton();
}

void TSpinEx::PlaceButton() {
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const int inner = height() - 2 * frame;
    button_->setGeometry(width() - frame - kButtonWidth, frame, kButtonWidth, inner > 0 ? inner : height());
}

}  // namespace corvane
