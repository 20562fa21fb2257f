#include "ui/drive_combo_box.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>
#include <exception>

#include "imaging/errors.h"
#include "ui/directory_list_box.h"

namespace corvane {

namespace {

QStringList MountedFolders() {
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        // Bind mounts of single files (as containers have) are no drives.
        if (!volume.isValid() || !QFileInfo(volume.rootPath()).isDir()) continue;
        roots << QDir::cleanPath(volume.rootPath());
    }
    return roots;
}

bool Under(const QString& folder, const QString& root) {
    if (root == QLatin1String("/")) return folder.startsWith(u'/');
    return folder == root || folder.startsWith(root + u'/');
}

}  // namespace

TDriveFolders::TDriveFolders(QStringList drives) : drives_(drives.isEmpty() ? MountedFolders() : drives) {
    if (!drives_.contains(QStringLiteral("/"))) drives_ << QStringLiteral("/");
    drives_.removeDuplicates();
    std::sort(drives_.begin(), drives_.end());
}

QString TDriveFolders::DriveOf(const QString& folder) const {
    QString best = QStringLiteral("/");
    for (const QString& root : drives_)
        if (Under(folder, root) && root.size() > best.size()) best = root;
    return best;
}

QString TDriveFolders::CurrentFolder(const QString& drive) const { return current_.value(drive, drive); }

void TDriveFolders::Remember(const QString& folder) { current_.insert(DriveOf(folder), folder); }

TDriveComboBox::TDriveComboBox(TDriveFolders& folders, QWidget* parent)
    : QComboBox(parent), folders_(folders) {
    Fill();
    // No exception may leave a slot: a refused drive goes to the owner.
    connect(this, &QComboBox::activated, this, [this](int index) {
        try {
            SetDrive(itemText(index));
        } catch (...) {
            emit Failed(QString::fromStdString(FailureText()));
        }
    });
}

void TDriveComboBox::Fill() {
    for (const QString& drive : folders_.Drives()) addItem(drive);
}

void TDriveComboBox::SetDrive(const QString& drive) {
    if (drive == drive_) return;
    const QString previous = drive_;
    Show(drive);
    try {
        // When the folder list itself moved the drive box it has already
        // recorded its folder, so this is a no-op rather than a pull back.
        if (dirList_) dirList_->SetDirectory(folders_.CurrentFolder(drive));
    } catch (...) {
        Show(previous);
        throw;
    }
    emit Change();
}

void TDriveComboBox::Show(const QString& drive) {
    drive_ = drive;
    const int index = findText(drive, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index != currentIndex()) setCurrentIndex(index);
}

}  // namespace corvane
