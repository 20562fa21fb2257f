// TForm2: the progress window of a run. The run writes its caption, its two
// lines and its bar; the window's one behaviour is the user's request to
// stop: its button 中止, Esc, or its close box.
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

namespace corvane {

class TForm2 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 286;
    // The lines and the bar, and a row for 中止 below them.
    static constexpr int kClientHeight = 136;

    explicit TForm2(QWidget* owner);

    // Children, owned through Qt's parent chain.
    QLabel* Label1;
    QLabel* Label2;
    QProgressBar* ProgressBar1;
    QPushButton* Button1;  // "中止"

    // Sets a line; the label grows with its text and the window cuts it off.
    static void SetLine(QLabel* label, const QString& text);

signals:
    // The user asked to stop the run (once; 中止 is disabled from then on).
    void StopClicked();

protected:
    // The window goes when the run ends: closing it asks the run to stop.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void AskStop();

    bool stopAsked_ = false;
};

}  // namespace corvane
