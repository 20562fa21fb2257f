#include "ui/directory_list_box.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

#include "imaging/errors.h"
#include "ui/drive_combo_box.h"
#include "ui/file_list_box.h"
#include "ui/path_label.h"

namespace corvane {

namespace {

namespace fs = std::filesystem;

constexpr int kLevelRole = Qt::UserRole + 1;
constexpr int kPathRole = Qt::UserRole;
// Matches the 5 pixels per level that the extent allows for.
constexpr int kIndentPerLevel = 5;

class TFolderItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem indented = option;
        indented.rect.adjust(index.data(kLevelRole).toInt() * kIndentPerLevel, 0, 0, 0);
        QStyledItemDelegate::paint(painter, indented, index);
    }
};

QStringList SubfolderNames(const QString& folder) {
    QStringList names;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(QFile::encodeName(folder).toStdString()),
                                   fs::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().native();
        if (name.empty() || name[0] == '.') continue;
        std::error_code statError;
        if (!it->is_directory(statError)) continue;
        names << QFile::decodeName(QByteArray::fromStdString(name));
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

}  // namespace

TDirectoryListBox::TDirectoryListBox(TDriveFolders& folders, QWidget* parent)
    : TListBox(parent), folders_(folders) {
    setItemDelegate(new TFolderItemDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(12, 12));
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row != currentFolderRow_) emit Click();
    });
    connect(this, &QListWidget::itemActivated, this, [this] { emit Click(); });
}

QString TDirectoryListBox::CleanFolder(const QString& folder) {
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

int TDirectoryListBox::SeparatorCount(const QString& folder) {
    QString withDelimiter = folder.endsWith(u'/') ? folder : folder + u'/';
    withDelimiter.chop(1);
    return static_cast<int>(withDelimiter.count(u'/'));
}

void TDirectoryListBox::SetDirectory(const QString& folder) {
    const QString clean = CleanFolder(folder);
    if (clean == directory_) return;
    std::error_code ec;
    fs::directory_iterator probe(fs::path(QFile::encodeName(clean).toStdString()), ec);
    if (ec) throw ECorvaneError("I/O エラー (" + std::to_string(ec.value()) + ")");

    directory_ = clean;
    folders_.Remember(clean);
    Rebuild();
    if (driveCombo_) driveCombo_->SetDrive(folders_.DriveOf(clean));
    if (fileList_) fileList_->SetDirectory(clean);
    if (dirLabel_) dirLabel_->SetPath(clean);
    emit Change();
}

void TDirectoryListBox::SetDrive(const QString& drive) { SetDirectory(folders_.CurrentFolder(drive)); }

void TDirectoryListBox::OpenCurrent() {
    const QListWidgetItem* it = currentItem();
    if (!it) return;
    const QString target = it->data(kPathRole).toString();
    try {
        SetDirectory(target);
    } catch (...) {
        SelectCurrentFolderItem();
        throw;
    }
    // Opening the folder already shown leaves the list as it is.
    SelectCurrentFolderItem();
}

void TDirectoryListBox::Rebuild() {
    const QSignalBlocker blocker(this);
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

    QString path = QStringLiteral("/");
    int level = 0;
    auto add = [&](const QString& text, const QString& full, const QIcon& icon) {
        QListWidgetItem* it = AddItem(text);
        it->setData(kPathRole, full);
        it->setData(kLevelRole, level);
        it->setIcon(icon);
    };
    add(QStringLiteral("/"), path, openIcon);
    for (const QString& part : directory_.split(u'/', Qt::SkipEmptyParts)) {
        ++level;
        path = path == QLatin1String("/") ? path + part : path + u'/' + part;
        add(part, path, openIcon);
    }
    currentFolderRow_ = count() - 1;
    ++level;
    const QString prefix = directory_ == QLatin1String("/") ? directory_ : directory_ + u'/';
    for (const QString& name : SubfolderNames(directory_)) add(name, prefix + name, closedIcon);
    SelectCurrentFolderItem();
}

void TDirectoryListBox::SelectCurrentFolderItem() {
    const QSignalBlocker blocker(this);
    setCurrentRow(currentFolderRow_);
    if (QListWidgetItem* it = item(currentFolderRow_)) scrollToItem(it);
}

}  // namespace corvane
