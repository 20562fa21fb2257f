// A list box with a fixed item height and a horizontal scroll extent that
// the owner sets, as the window's three lists need: each scrolls sideways
// exactly as far as its owner says, whatever the items' own widths.
#pragma once

#include <QListWidget>

namespace corvane {

class TListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TListBox(QWidget* parent = nullptr);

    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height);
    int HorizontalExtent() const { return extent_; }
    void SetHorizontalExtent(int extent);

    // Width of a text in the list's font, and of its widest item.
    int TextWidth(const QString& text) const;
    int WidestItem() const;
    // Appends an item sized to the current extent and item height.
    QListWidgetItem* AddItem(const QString& text);

    int SelCount() const;

private:
    QSize ItemSize() const;
    void ApplyItemSize();

    int itemHeight_ = 16;
    int extent_ = 0;
};

// Redrawing suspended for a bulk change, resumed however the scope ends.
class TUpdateBracket {
public:
    explicit TUpdateBracket(QWidget* widget) : widget_(widget) { widget_->setUpdatesEnabled(false); }
    ~TUpdateBracket() { widget_->setUpdatesEnabled(true); }
    TUpdateBracket(const TUpdateBracket&) = delete;
    TUpdateBracket& operator=(const TUpdateBracket&) = delete;

private:
    QWidget* widget_;
};

}  // namespace corvane
