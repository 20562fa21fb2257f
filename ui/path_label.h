// The path label under a folder list. A path wider than the list is
// shortened step by step: leading folders become "..." one at a time, then
// the leading "/" goes ("..." + "/" + name), last the name alone is shown.
#pragma once

#include <QLabel>
#include <functional>

namespace corvane {

// "/aaa/bbb/ccc/ddd" shortens to "/.../bbb/ccc/ddd", "/.../ccc/ddd",
// "/.../ddd", ".../ddd", "ddd", stopping at the first text that fits.
QString MinimizeName(const QString& path, const std::function<bool(const QString&)>& fits);

class TPathLabel : public QLabel {
    Q_OBJECT
public:
    // `maxWidth`: the width of the folder list the label belongs to.
    TPathLabel(int maxWidth, QWidget* parent = nullptr);
    QString Path() const { return path_; }
    void SetPath(const QString& path);

private:
    int maxWidth_;
    QString path_;
};

}  // namespace corvane
