// TSpinEx: a one-line numeric edit with its own up/down arrows. The integer
// lives in the text: Value is parsed from it on every read and written back
// through the display mode (plain, hexadecimal, binary, multiplied, divided);
// those rules are in spin_text.h.
#pragma once

#include <QLineEdit>
#include <QLocale>

#include "ui/spin_text.h"

class QToolButton;

namespace corvane {

// The two stacked arrow buttons at the edit's right edge. Holding one down
// repeats after 400 ms, then every 100 ms.
class TSpinButton : public QWidget {
    Q_OBJECT
public:
    explicit TSpinButton(QWidget* parent);
    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

signals:
    void UpClick();
    void DownClick();
    // A left press on either arrow (the edit takes the focus).
    void Pressed();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* up_;    // owned by this widget
    QToolButton* down_;  // owned by this widget
};

class TSpinEx : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int kButtonWidth = 15;
    static constexpr int kButtonHeight = 17;

    explicit TSpinEx(QWidget* parent = nullptr);

    int Value() const;
    void SetValue(int value);

    int MinValue() const { return rule_.MinValue; }
    void SetMinValue(int value) { rule_.MinValue = value; }
    int MaxValue() const { return rule_.MaxValue; }
    void SetMaxValue(int value) { rule_.MaxValue = value; }
    int Increment() const { return increment_; }
    void SetIncrement(int value) { increment_ = value; }

    TSpinType SpinType() const { return rule_.SpinType; }
    void SetSpinType(TSpinType type);
    int MaxLength() const { return rule_.MaxLength; }
    void SetMaxLength(int length);
    unsigned MuFraction() const { return rule_.MuFraction; }
    void SetMuFraction(unsigned char fraction);
    unsigned MulOrDiv() const { return rule_.MulOrDiv; }
    void SetMulOrDiv(unsigned short factor);
    TSpinOptions Options() const { return rule_.Options; }
    void SetOptions(TSpinOptions options);
    bool EditorEnabled() const { return editorEnabled_; }
    void SetEditorEnabled(bool enabled) { editorEnabled_ = enabled; }
    Qt::Alignment Alignment() const { return alignment(); }
    void SetAlignment(Qt::Alignment alignment);

    int LimitValue(int value) const { return rule_.LimitValue(value); }

    virtual void StepUp();
    virtual void StepDown();
    virtual bool AcceptsChar(QChar c) const;

    TSpinButton* Button() const { return button_; }
    // The one locale whose decimal separator is shown, typed and parsed.
    static QChar DecimalSeparator();

signals:
    // Enter or Escape, handed to the owner instead of the text.
    void KeyPress(QChar key);
    // Focus left the control, after the exit rule rewrote the text.
    void Exit();
    // A step of the arrows failed (the repetition has stopped); the text is
    // the one the error display shows.
    void Failed(const QString& message);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ExitRule();
    void PlaceButton();
    int MinimumHeightForFont() const;
    bool CanEdit() const { return editorEnabled_ && !isReadOnly(); }

    TSpinButton* button_;  // child widget, owned by this edit
    SpinTextRule rule_;
    int increment_ = 1;
    bool editorEnabled_ = true;
};

}  // namespace corvane
