// While a run is under way the main window takes no input. The progress
// window is modal, which covers most of the run, but the window's event loop
// keeps turning from the press of 実行 until that window shows, and again
// between its close and the run's last box: a click or key there must not
// reach the batch list or the options the run is reading.
#pragma once

#include <QObject>

class QWidget;

namespace corvane {

class TRunInputBlock : public QObject {
public:
    // Swallows the user's input to `window` and its children (the
    // application's other windows, the progress window and the boxes among
    // them, keep theirs) until destroyed.
    explicit TRunInputBlock(QWidget* window);
    ~TRunInputBlock() override;
    TRunInputBlock(const TRunInputBlock&) = delete;
    TRunInputBlock& operator=(const TRunInputBlock&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
};

}  // namespace corvane
