// The folder list: the current folder's path from the root, one item per
// level, then the current folder's subfolders (hidden ones left out). A
// change of folder re-reads the linked file list, updates the linked path
// label and drive box, and raises Change; the same folder again does nothing.
#pragma once

#include <QString>

#include "ui/list_box.h"

namespace corvane {

class TDriveComboBox;
class TDriveFolders;
class TFileListBox;
class TPathLabel;

class TDirectoryListBox : public TListBox {
    Q_OBJECT
public:
    explicit TDirectoryListBox(TDriveFolders& folders, QWidget* parent = nullptr);

    QString Directory() const { return directory_; }
    // Throws ECorvaneError ("I/O エラー (%d)") when the folder cannot be
    // opened; the list then keeps its folder.
    void SetDirectory(const QString& folder);
    // Opens the selected item. Never call it from the list's own selection
    // signals: it rebuilds the list, deleting the item being signalled about.
    void OpenCurrent();
    void SetDrive(const QString& drive);

    void SetFileList(TFileListBox* list) { fileList_ = list; }
    void SetDirLabel(TPathLabel* label) { dirLabel_ = label; }
    void SetDriveCombo(TDriveComboBox* combo) { driveCombo_ = combo; }

    // The folder as compared and shown: absolute, cleaned, no trailing "/"
    // except for the root.
    static QString CleanFolder(const QString& folder);
    // Path separators of the folder with a trailing one added, the last not
    // counted: "/" gives 0, "/a/b" gives 2.
    static int SeparatorCount(const QString& folder);

signals:
    void Change();
    // The selection moved (mouse or keyboard) or an item was activated.
    void Click();

private:
    void Rebuild();
    void SelectCurrentFolderItem();

    TDriveFolders& folders_;
    TFileListBox* fileList_ = nullptr;  // siblings, not owned
    TPathLabel* dirLabel_ = nullptr;
    TDriveComboBox* driveCombo_ = nullptr;
    QString directory_;
    int currentFolderRow_ = -1;
};

}  // namespace corvane
