// TForm2: the progress window of a run. It has no behaviour of its own; the
// run writes its caption, its two lines and its bar.
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QWidget>

namespace corvane {

class TForm2 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 286;
    static constexpr int kClientHeight = 107;

    explicit TForm2(QWidget* owner);

    // Children, owned through Qt's parent chain.
    QLabel* Label1;
    QLabel* Label2;
    QProgressBar* ProgressBar1;

    // Sets a line; the label grows with its text and the window cuts it off.
    static void SetLine(QLabel* label, const QString& text);

protected:
    // A run is under way whenever this window exists: it cannot be closed.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

}  // namespace corvane
