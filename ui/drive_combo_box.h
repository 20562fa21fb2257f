// Drives on this platform are the mounted file systems. Like the per-drive
// current folders of a process, each drive remembers the last folder opened
// on it (shared by both sides of the window); choosing a drive goes there.
#pragma once

#include <QComboBox>
#include <QHash>
#include <QStringList>

namespace corvane {

class TDirectoryListBox;

class TDriveFolders {
public:
    // Empty: the mounted file systems that are folders.
    explicit TDriveFolders(QStringList drives = {});

    const QStringList& Drives() const { return drives_; }
    // The drive holding the folder: the longest mount root it lies under.
    QString DriveOf(const QString& folder) const;
    // The folder last opened on the drive, or its root.
    QString CurrentFolder(const QString& drive) const;
    void Remember(const QString& folder);

private:
    QStringList drives_;
    QHash<QString, QString> current_;
};

class TDriveComboBox : public QComboBox {
    Q_OBJECT
public:
    TDriveComboBox(TDriveFolders& folders, QWidget* parent = nullptr);

    QString Drive() const { return drive_; }
    // Selects the drive, moves the linked folder list to the drive's current
    // folder and raises Change. Nothing happens for the drive already shown.
    void SetDrive(const QString& drive);
    void SetDirList(TDirectoryListBox* list) { dirList_ = list; }

signals:
    void Change();
    // Choosing a drive failed (the folder list refused its folder).
    void Failed(const QString& message);

private:
    void Fill();
    void Show(const QString& drive);

    TDriveFolders& folders_;
    TDirectoryListBox* dirList_ = nullptr;  // a sibling, not owned
    QString drive_;
};

}  // namespace corvane
