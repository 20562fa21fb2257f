#include "ui/run_input_block.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace corvane {

namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
            return true;
        default:
            return false;
    }
}

// Whether an object belongs to `window`: one of its widgets, a popup menu
// of its menu bar, or an action of such a menu. Windows it owns that are not
// popups (the progress window, the boxes) are windows of their own.
bool BelongsTo(const QObject* object, const QWidget* window) {
    for (; object; object = object->parent()) {
        if (object == window) return true;
        if (object->isWidgetType()) {
            const auto* widget = static_cast<const QWidget*>(object);
            if (widget->isWindow() && widget->windowType() != Qt::Popup) return false;
        }
    }
    return false;
}

}  // namespace

TRunInputBlock::TRunInputBlock(QWidget* window) : window_(window) {
    QCoreApplication::instance()->installEventFilter(this);
}

TRunInputBlock::~TRunInputBlock() { QCoreApplication::instance()->removeEventFilter(this); }

bool TRunInputBlock::eventFilter(QObject* watched, QEvent* event) {
    return IsUserInput(event->type()) && BelongsTo(watched, window_);
}

}  // namespace corvane
