#include "ui/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>

#include "ui/failure_box.h"

namespace corvane {

namespace {

// Beside its caption a title bar holds the window icon and up to three
// buttons; Qt sizes a box for its caption plus 50 pixels only, so window
// managers cut short captions ("Information") down to an ellipsis.
constexpr int kTitleBarDecoration = 128;

// The least width of a box whose title bar shows `caption` whole, in the
// title font (bold, as most title bars draw it).
int CaptionBoxWidth(const QString& caption) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(caption) + kTitleBarDecoration;
}

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text) {
    QMessageBox box(icon, caption, BoxText(text), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);  // messages carry file names
    // The box takes its width from its layout: an empty row that wide keeps
    // the caption whole.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(CaptionBoxWidth(caption), 0), grid->rowCount(), 0, 1,
                      grid->columnCount());  // the layout owns the item
    }
    box.exec();
}

class TQtDialogs : public TDialogs {
public:
    std::optional<QString> ChooseFile(QWidget* parent, const TFileDialogRequest& request) override {
        QFileDialog dialog(parent, request.Title, request.InitialDir);
        // Qt's own dialog: a desktop's native one may ignore the options
        // below (no overwrite question, names that do not exist accepted).
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setNameFilters(request.NameFilters);
        if (!request.NameFilters.isEmpty()) dialog.selectNameFilter(request.NameFilters.first());
        if (!request.FileName.isEmpty()) dialog.selectFile(request.FileName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return dialog.selectedFiles().first();
    }

    void ShowError(QWidget* parent, const QString& text) override {
        ShowBox(parent, QMessageBox::Critical, QStringLiteral("Corvane"), text);
    }

    void ShowInformation(QWidget* parent, const QString& text) override {
        ShowBox(parent, QMessageBox::Information, QStringLiteral("情報"), text);
    }

    void ShowFinished(const QString& text) override {
        // Without an owner the box is application-modal: the main window
        // stays blocked until it is closed, so no second run can start
        // inside the first one.
        ShowBox(nullptr, QMessageBox::NoIcon, QStringLiteral("Information"), text);
    }

    void ShowFailures(QWidget* parent, const QString& text, const QList<TFailureRow>& rows) override {
        TFailureBox box(parent, BoxText(text), rows);
        box.exec();
    }

    void Beep() override { QApplication::beep(); }
};

}  // namespace

std::unique_ptr<TDialogs> MakeQtDialogs() { return std::make_unique<TQtDialogs>(); }

QString BoxText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

}  // namespace corvane
