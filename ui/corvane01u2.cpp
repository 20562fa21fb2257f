#include "ui/corvane01u2.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include "ui/fonts.h"

namespace corvane {

TForm2::TForm2(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint |
                         Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    // Modal through show(): the main window takes no input during the run.
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(QStringLiteral("Form2"));
    setFont(FormFont());
    setFixedSize(kClientWidth, kClientHeight);

    Label1 = new QLabel(this);
    Label1->move(32, 8);
    SetLine(Label1, QStringLiteral("準備中"));
    Label2 = new QLabel(this);
    Label2->move(32, 32);
    SetLine(Label2, QString());
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setGeometry(32, 64, 217, 25);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setValue(0);
}

void TForm2::SetLine(QLabel* label, const QString& text) {
    // File names are never markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->adjustSize();
}

void TForm2::closeEvent(QCloseEvent* event) { event->ignore(); }

void TForm2::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

}  // namespace corvane
