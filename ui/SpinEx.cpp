#include "ui/SpinEx.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QToolButton>
#include <QValidator>
#include <algorithm>
#include <cstdint>
#include <exception>
#include <limits>
#include <memory>

#include "imaging/errors.h"

namespace corvane {

namespace {

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

using spintext::Magnitude;

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
    rule_.DecimalSeparator = DecimalSeparator();
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
        } catch (...) {
            button_->UpButton()->setDown(false);
            button_->DownButton()->setDown(false);
            emit Failed(QString::fromStdString(FailureText()));
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

int TSpinEx::Value() const { return rule_.TextToValue(text()); }

void TSpinEx::SetValue(int value) {
    const QString t = rule_.ValueToText(rule_.LimitValue(value), static_cast<int>(text().size()));
    if (t != text()) setText(t);
}

void TSpinEx::SetSpinType(TSpinType type) {
    if (type == rule_.SpinType) return;
    int v = Value();
    if (type == stHex && rule_.MaxLength == 0) {
        rule_.MaxLength = Magnitude(v) <= 255 ? 2 : Magnitude(v) <= 65535 ? 4 : 8;
    } else if (type == stByn) {
        if (Magnitude(v) > 65535) v = 65535;
        if (rule_.MaxLength == 0) rule_.MaxLength = Magnitude(v) <= 15 ? 4 : Magnitude(v) <= 255 ? 8 : 16;
        if (rule_.MaxLength > 16) rule_.MaxLength = 16;
    } else if (type == stDiv && rule_.MulOrDiv % 10 != 0) {
        rule_.MulOrDiv = rule_.MulOrDiv < 10 ? 1 : rule_.MulOrDiv - rule_.MulOrDiv % 10;
    }
    rule_.SpinType = type;
    SetValue(v);
}

void TSpinEx::SetMaxLength(int length) {
    if (length < 0) length = 0;
    if (rule_.SpinType == stByn && length > 16) length = 16;
    if (length == rule_.MaxLength) return;
    const int v = Value();
    rule_.MaxLength = length;
    SetValue(v);
    // A limit on what the user enters, not on the text the value writes.
    const std::unique_ptr<const QValidator> previous(validator());
    setValidator(length > 0 ? new TLengthLimit(length, this) : nullptr);
}

void TSpinEx::SetMuFraction(unsigned char fraction) {
    const unsigned f = fraction == 0 ? 1 : fraction;
    if (f == rule_.MuFraction) return;
    const int v = Value();
    rule_.MuFraction = f;
    SetValue(v);
}

void TSpinEx::SetMulOrDiv(unsigned short factor) {
    const unsigned m = factor == 0 ? 1 : factor;
    if (m == rule_.MulOrDiv) return;
    if (rule_.SpinType != stMul && m != 1 && m % 10 != 0) return;
    const int v = Value();  // read with the old factor
    rule_.MulOrDiv = m;
    if (rule_.SpinType == stMul || rule_.SpinType == stDiv) SetValue(v);
}

void TSpinEx::SetOptions(TSpinOptions options) {
    if (options == rule_.Options) return;
    const bool zeroChanged = (options ^ rule_.Options) & soZero;
    rule_.Options = options;
    if (zeroChanged && rule_.MaxLength > 0) SetValue(Value());
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
    } else if (rule_.SpinType == stByn) {
        accepted = (u == u'0' || u == u'1') && (rule_.MaxLength == 0 || text().size() < rule_.MaxLength);
    } else {
        accepted = u == u'+' || u == u'-' || (u >= u'0' && u <= u'9');
        if (rule_.SpinType == stHex)
            accepted = accepted || (u >= u'A' && u <= u'F') || (u >= u'a' && u <= u'f');
        if (rule_.SpinType == stDiv && rule_.MulOrDiv != 1) accepted = accepted || c == DecimalSeparator();
    }
    if (!editorEnabled_ && (u >= 32 || u == u'\b')) accepted = false;
    return accepted;
}

void TSpinEx::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        if ((rule_.Options & soUpDwNext) && hasSelectedText() && window() != this) {
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
        if (enter && (rule_.Options & soRetNext))
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
    if (text().isEmpty()) SetValue(rule_.MinValue);
    const int v = Value();
    if (LimitValue(v) != v || rule_.SpinType != stNone || (rule_.Options & soZero)) SetValue(v);
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
