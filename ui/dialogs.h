// Everything of the window that waits for the user or makes a sound, behind
// one interface, so that tests can answer the dialogs and read the boxes.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QWidget;

namespace corvane {

struct TFileDialogRequest {
    QString Title;
    QStringList NameFilters;  // Qt's form: "Label (patterns)"
    QString InitialDir;
    QString FileName;  // offered again: the file last chosen
    bool Save = false;
};

// One failed entry of a run that went on past failures.
struct TFailureRow {
    QString Entry;    // "3/20"
    QString File;     // the source file's path
    QString Message;  // why it failed
};

class TDialogs {
public:
    virtual ~TDialogs() = default;
    // The chosen file, or nothing when the user cancels. The open dialog
    // accepts names that do not exist; the save dialog asks no question.
    virtual std::optional<QString> ChooseFile(QWidget* parent, const TFileDialogRequest& request) = 0;
    // Caption "Corvane", error icon, one OK button.
    virtual void ShowError(QWidget* parent, const QString& text) = 0;
    // Caption "情報", information icon, one OK button.
    virtual void ShowInformation(QWidget* parent, const QString& text) = 0;
    // The end-of-run box: caption "Information", no icon, no owner.
    virtual void ShowFinished(const QString& text) = 0;
    // The end of a run that went on past failures: `text` above a table of
    // every failure; caption "Corvane", warning icon, one OK button.
    virtual void ShowFailures(QWidget* parent, const QString& text, const QList<TFailureRow>& rows) = 0;
    virtual void Beep() = 0;
};

// The real dialogs and message boxes.
std::unique_ptr<TDialogs> MakeQtDialogs();

// Message texts use CR LF for a line break; a label shows LF.
QString BoxText(const QString& text);

}  // namespace corvane
