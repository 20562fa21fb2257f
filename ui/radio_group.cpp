#include "ui/radio_group.h"

#include <QButtonGroup>
#include <QFontMetrics>
#include <QRadioButton>

namespace corvane {

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        group_->addButton(b, i);
        buttons_.push_back(b);
    }
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
    if (QAbstractButton* b = group_->button(index)) b->setChecked(true);
}

void TRadioGroup::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    if (buttons_.empty()) return;
    // Items share the height under the caption, each at least a text line.
    const int top = QFontMetrics(font()).height();
    const int count = static_cast<int>(buttons_.size());
    const int itemHeight = (height() - top - 2) / count;
    for (int i = 0; i < count; ++i)
        buttons_[i]->setGeometry(8, top + i * itemHeight, width() - 12, itemHeight);
}

}  // namespace corvane
