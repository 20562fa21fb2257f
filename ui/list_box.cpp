#include "ui/list_box.h"

#include <QFontMetrics>
#include <algorithm>

namespace corvane {

TListBox::TListBox(QWidget* parent) : QListWidget(parent) {
    // Every item gets the same size hint, whose width is the extent: the
    // view then scrolls sideways up to the extent and never elides text.
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void TListBox::SetItemHeight(int height) {
    if (height == itemHeight_) return;
    itemHeight_ = height;
    ApplyItemSize();
}

void TListBox::SetHorizontalExtent(int extent) {
    extent = std::max(extent, 0);
    if (extent == extent_) return;
    extent_ = extent;
    ApplyItemSize();
}

QSize TListBox::ItemSize() const { return QSize(extent_, itemHeight_); }

void TListBox::ApplyItemSize() {
    const QSize size = ItemSize();
    for (int i = 0; i < count(); ++i) item(i)->setSizeHint(size);
}

int TListBox::TextWidth(const QString& text) const { return QFontMetrics(font()).horizontalAdvance(text); }

int TListBox::WidestItem() const {
    const QFontMetrics metrics(font());
    int widest = 0;
    for (int i = 0; i < count(); ++i) widest = std::max(widest, metrics.horizontalAdvance(item(i)->text()));
    return widest;
}

QListWidgetItem* TListBox::AddItem(const QString& text) {
    auto* it = new QListWidgetItem(text, this);  // owned by the list
    it->setSizeHint(ItemSize());
    return it;
}

int TListBox::SelCount() const { return static_cast<int>(selectedItems().size()); }

}  // namespace corvane
