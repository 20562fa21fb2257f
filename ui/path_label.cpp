#include "ui/path_label.h"

#include <QFontMetrics>

namespace corvane {

namespace {

const QString kEllipsis = QStringLiteral("...");

// Drops the first folder of `dir`, which ends with "/": "/a/b/" gives
// "/.../b/", ".../a/b/" gives ".../b/", ".../" gives "".
QString CutFirstDirectory(QString dir) {
    const bool root = dir.startsWith(u'/');
    if (root) dir.remove(0, 1);
    if (dir.startsWith(kEllipsis + u'/')) dir.remove(0, kEllipsis.size() + 1);
    const qsizetype slash = dir.indexOf(u'/');
    if (slash < 0) return {};
    dir.remove(0, slash + 1);
    return (root ? QStringLiteral("/") : QString()) + kEllipsis + u'/' + dir;
}

}  // namespace

QString MinimizeName(const QString& path, const std::function<bool(const QString&)>& fits) {
    const qsizetype slash = path.lastIndexOf(u'/');
    QString dir = path.left(slash + 1);
    const QString name = path.mid(slash + 1);
    QString result = path;
    while (!dir.isEmpty() && !fits(result)) {
        if (dir == u'/' + kEllipsis + u'/')
            dir = kEllipsis + u'/';
        else
            dir = CutFirstDirectory(dir);
        result = dir + name;
    }
    return result;
}

TPathLabel::TPathLabel(int maxWidth, QWidget* parent) : QLabel(parent), maxWidth_(maxWidth) {
    setTextFormat(Qt::PlainText);  // folder names are never markup
}

void TPathLabel::SetPath(const QString& path) {
    path_ = path;
    const QFontMetrics metrics(font());
    setText(MinimizeName(path, [&](const QString& t) { return metrics.horizontalAdvance(t) <= maxWidth_; }));
    adjustSize();
}

}  // namespace corvane
