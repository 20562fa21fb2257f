#include "ui/failure_box.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/fonts.h"

namespace corvane {

namespace {

// Rows shown before the table scrolls; the box never outgrows the screen.
constexpr int kVisibleRows = 12;
constexpr double kScreenShare = 0.9;

QTableWidgetItem* Cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);  // the table owns it
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setToolTip(text);
    return item;
}

}  // namespace

TFailureBox::TFailureBox(QWidget* parent, const QString& text, const QList<TFailureRow>& rows)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Corvane"));
    setFont(FormFont());

    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(iconSize));
    icon->setAlignment(Qt::AlignTop);
    Text = new QLabel(text, this);
    Text->setTextFormat(Qt::PlainText);  // file names are never markup

    Table = new QTableWidget(static_cast<int>(rows.size()), kColumns, this);
    Table->setHorizontalHeaderLabels(
        {QStringLiteral("項目"), QStringLiteral("ファイル"), QStringLiteral("エラー")});
    Table->verticalHeader()->hide();
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setWordWrap(false);
    Table->setTextElideMode(Qt::ElideNone);
    for (int r = 0; r < rows.size(); ++r) {
        Table->setItem(r, kEntryColumn, Cell(rows[r].Entry));
        Table->setItem(r, kFileColumn, Cell(rows[r].File));
        Table->setItem(r, kMessageColumn, Cell(rows[r].Message));
    }
    Table->resizeColumnsToContents();
    Table->resizeRowsToContents();
    Table->horizontalHeader()->setStretchLastSection(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(Text, 1);
    auto* layout = new QVBoxLayout(this);  // the box owns its layouts
    layout->addLayout(top);
    layout->addWidget(Table, 1);
    layout->addWidget(buttons);

    // Wide enough for every cell whole and tall enough for a dozen rows,
    // within the screen; a table cut short by the screen scrolls sideways.
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const QMargins margins = layout->contentsMargins();
    int width = 2 * Table->frameWidth() + margins.left() + margins.right();
    for (int c = 0; c < kColumns; ++c) width += Table->columnWidth(c);
    if (rows.size() > kVisibleRows) width += scrollBar;
    width = std::max(
        width, Text->sizeHint().width() + iconSize + margins.left() + margins.right() + layout->spacing());
    int height = Table->horizontalHeader()->sizeHint().height() + 2 * Table->frameWidth();
    for (int r = 0; r < std::min<int>(static_cast<int>(rows.size()), kVisibleRows); ++r)
        height += Table->rowHeight(r);
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const int most = static_cast<int>(screen->availableGeometry().width() * kScreenShare);
        if (width > most) {
            width = most;
            height += scrollBar;
        }
    }
    Table->setMinimumHeight(height);
    // The layout's height with the table at its least instead of Qt's default.
    const int boxHeight = layout->sizeHint().height() - std::max(Table->sizeHint().height(), height) + height;
    resize(width, boxHeight);
    buttons->button(QDialogButtonBox::Ok)->setFocus(Qt::OtherFocusReason);
}

}  // namespace corvane
