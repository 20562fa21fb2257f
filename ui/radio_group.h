// A captioned group of radio buttons, one column, the items spread evenly
// over the space under the caption; ItemIndex is the checked item.
#pragma once

#include <QGroupBox>
#include <QStringList>
#include <vector>

class QButtonGroup;
class QRadioButton;

namespace corvane {

class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

    int ItemIndex() const;
    void SetItemIndex(int index);
    QRadioButton* Button(int index) const { return buttons_.at(static_cast<size_t>(index)); }
    int Count() const { return static_cast<int>(buttons_.size()); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QButtonGroup* group_;                 // owned by this widget
    std::vector<QRadioButton*> buttons_;  // children of this widget
};

}  // namespace corvane
