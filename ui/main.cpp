// The window program: application title, the display depth for the JPEG
// defaults (measured once), the main window, the event loop.
#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include "app/memory_policy.h"
#include "imagefiles/jpeg_image.h"
#include "imaging/errors.h"
#include "ui/corvane01u1.h"
#include "ui/fonts.h"
#include "ui/form_style.h"
#include "ui/qt_translation.h"

int main(int argc, char* argv[]) {
    // A run converts one large picture after another: keep freed blocks.
    corvane::KeepFreedMemoryForBatch();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("corvane"));
    corvane::InstallFontSubstitutes();
    corvane::InstallQtTranslation(app);               // without it the standard dialogs stay English
    QApplication::setStyle(new corvane::TFormStyle);  // the application owns it

    const QScreen* screen = QGuiApplication::primaryScreen();
    corvane::SetLowColorDisplay(screen != nullptr && screen->depth() <= 8);

    try {
        corvane::TForm1 form;
        form.show();
        return QApplication::exec();
    } catch (...) {
        QMessageBox::critical(nullptr, QStringLiteral("Corvane"),
                              QString::fromStdString(corvane::FailureText()));
        return 1;
    }
}
