// The box at the end of a run that went on past failing entries: a line
// saying how many failed, then one row per failure with the entry's number,
// its source file and the message, so that a run of hundreds of pictures
// still says which files need a look.
#pragma once

#include <QDialog>
#include <QList>

#include "ui/dialogs.h"

class QLabel;
class QTableWidget;

namespace corvane {

class TFailureBox : public QDialog {
    Q_OBJECT
public:
    // Columns of the table.
    enum { kEntryColumn, kFileColumn, kMessageColumn, kColumns };

    TFailureBox(QWidget* parent, const QString& text, const QList<TFailureRow>& rows);

    // Children, owned through Qt's parent chain.
    QLabel* Text;
    QTableWidget* Table;
};

}  // namespace corvane
