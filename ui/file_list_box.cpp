#include "ui/file_list_box.h"

#include <QFile>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/picture_files_mask.h"

namespace corvane {

namespace {

namespace fs = std::filesystem;
constexpr int kNameRole = Qt::UserRole;

}  // namespace

TFileListBox::TFileListBox(QWidget* parent)
    : TListBox(parent), mask_(QString::fromStdString(PictureFilesMask(kDefaultMask))) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(this, &QListWidget::itemSelectionChanged, this, &TFileListBox::Click);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) emit Change();
    });
}

bool TFileListBox::MatchesMask(const QString& name, const QString& mask) {
    // Every pattern of the mask is "*" followed by a literal tail.
    for (const QString& pattern : mask.split(u';', Qt::SkipEmptyParts)) {
        if (!pattern.startsWith(u'*')) continue;
        if (name.endsWith(QStringView(pattern).mid(1), Qt::CaseInsensitive)) return true;
    }
    return false;
}

void TFileListBox::SetDirectory(const QString& folder) {
    if (folder == directory_) return;
    directory_ = folder;
    Update();
}

std::vector<TListedFile> TFileListBox::ListFiles(const QString& folder, const QString& mask) {
    std::vector<TListedFile> files;
    std::error_code ec;
    const fs::path dir(QFile::encodeName(folder).toStdString());
    for (fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().native();
        if (name.empty() || name[0] == '.') continue;
        // Regular files only (following links): a FIFO or device is no picture.
        std::error_code statError;
        if (!it->is_regular_file(statError)) continue;
        QByteArray bytes = QByteArray::fromStdString(name);
        QString shown = QFile::decodeName(bytes);
        if (MatchesMask(shown, mask)) files.push_back({std::move(shown), std::move(bytes)});
    }
    std::sort(files.begin(), files.end(), [](const TListedFile& a, const TListedFile& b) {
        const int c = a.Shown.compare(b.Shown, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.Bytes < b.Bytes;
    });
    return files;
}

void TFileListBox::Update() {
    const std::vector<TListedFile> files = ListFiles(directory_, mask_);
    {
        const QSignalBlocker blocker(this);
        TUpdateBracket bracket(this);
        clear();
        for (const TListedFile& file : files) AddItem(file.Shown)->setData(kNameRole, file.Bytes);
    }
    emit Change();
}

std::string TFileListBox::FileName(int index) const {
    const QListWidgetItem* it = item(index);
    return it ? it->data(kNameRole).toByteArray().toStdString() : std::string();
}

std::vector<std::string> TFileListBox::SelectedFileNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < count(); ++i)
        if (item(i)->isSelected()) names.push_back(FileName(i));
    return names;
}

bool TFileListBox::Selected(int index) const {
    const QListWidgetItem* it = item(index);
    return it && it->isSelected();
}

void TFileListBox::SetSelected(int index, bool selected) {
    if (QListWidgetItem* it = item(index)) it->setSelected(selected);
}

void TFileListBox::SetCaretNone() {
    const QSignalBlocker blocker(this);
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

}  // namespace corvane
