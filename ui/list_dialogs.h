// The open and save dialogs of the batch list file: title, filter, default
// extension, initial folder, and the file last chosen in each.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace corvane {

class TDialogs;

// "Label|pattern|Label|pattern" to Qt's filters. "*.*" becomes "*", since a
// name without a dot has no extension here and must still be listed.
QStringList QtNameFilters(const QString& filter);

class TListFileDialog {
public:
    QString Title;
    QString Filter;
    QString DefaultExt;  // added when the chosen name has none
    QString InitialDir;
    QString FileName;  // the file last chosen
    bool Save = false;

    // False when cancelled; otherwise FileName holds the choice.
    bool Execute(TDialogs& dialogs, QWidget* parent);
};

// Drops a trailing "/" except from the root.
QString DialogFolder(const QString& folder);

}  // namespace corvane
