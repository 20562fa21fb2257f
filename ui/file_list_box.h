// The file list: the regular files of one folder whose names match the mask
// "*.bmp;*jpg;*.jpeg" and the extensions of the further formats the readers
// take (app/picture_files_mask.h) without regard to case, hidden (dot) entries left out,
// sorted without case. It reads its folder only when told to (a new folder or
// Update), never by watching it. Names keep their bytes for the batch list.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "ui/list_box.h"

namespace corvane {

struct TListedFile {
    QString Shown;     // the name as text
    QByteArray Bytes;  // the name as the file system spells it
};

class TFileListBox : public TListBox {
    Q_OBJECT
public:
    static constexpr const char* kDefaultMask = "*.bmp;*jpg;*.jpeg";

    explicit TFileListBox(QWidget* parent = nullptr);

    QString Directory() const { return directory_; }
    // Re-reads when the folder differs from the one shown.
    void SetDirectory(const QString& folder);
    // Empties the list, refills it from the folder, leaves nothing selected
    // and raises Change.
    void Update();

    QString Mask() const { return mask_; }
    void SetMask(const QString& mask) { mask_ = mask; }
    static bool MatchesMask(const QString& name, const QString& mask);
    // The files of `folder` this list shows for `mask`, in its order.
    static std::vector<TListedFile> ListFiles(const QString& folder, const QString& mask);

    // The item's file name as the file system spells it (bytes).
    std::string FileName(int index) const;
    std::vector<std::string> SelectedFileNames() const;
    bool Selected(int index) const;
    void SetSelected(int index, bool selected);
    // Caret to no item.
    void SetCaretNone();

signals:
    // After a re-read, and when a click moved the caret.
    void Change();
    // Any change of the selection, by mouse or keyboard.
    void Click();

private:
    QString directory_;
    QString mask_;
};

}  // namespace corvane
