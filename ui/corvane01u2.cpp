#include "ui/corvane01u2.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <algorithm>

#include "ui/fonts.h"

namespace corvane {

namespace {

constexpr int kButtonWidth = 81;
constexpr int kButtonHeight = 25;
constexpr int kButtonTop = 100;

}  // namespace

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

    Button1 = new QPushButton(QStringLiteral("中止"), this);
    // Space, Return and Enter press it; it has the focus from the start.
    Button1->setAutoDefault(true);
    const int width = std::max(kButtonWidth, Button1->sizeHint().width());
    Button1->setGeometry((kClientWidth - width) / 2, kButtonTop, width, kButtonHeight);
    Button1->setFocus(Qt::OtherFocusReason);
    Button1->installEventFilter(this);
    connect(Button1, &QPushButton::clicked, this, &TForm2::AskStop);
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    // Return on 実行 starts the run and 中止 takes the focus: the same key,
    // held a moment too long, must not stop the run it has just started.
    if (watched == Button1 && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease))
        return static_cast<QKeyEvent*>(event)->isAutoRepeat();
    return QWidget::eventFilter(watched, event);
}

void TForm2::SetLine(QLabel* label, const QString& text) {
    // File names are never markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->adjustSize();
}

void TForm2::AskStop() {
    if (stopAsked_) return;
    stopAsked_ = true;
    Button1->setEnabled(false);
    emit StopClicked();
}

void TForm2::closeEvent(QCloseEvent* event) {
    // The run destroys the window when it ends; until then it stays.
    event->ignore();
    AskStop();
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        AskStop();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TForm2::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

}  // namespace corvane
