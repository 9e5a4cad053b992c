#include "core/ui/escape_watch.h"

#include "core/ui/gui_progress_port.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

EscapeWatch::EscapeWatch(GuiProgressPort& progress)
    : progress_(progress), modalAtStart_(QApplication::activeModalWidget()) {
    QCoreApplication::instance()->installEventFilter(this);
}

EscapeWatch::~EscapeWatch() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool EscapeWatch::eventFilter(QObject*, QEvent* event) {
    // A box shown by the work (a question, a failure) gets its keys and clicks.
    if (QApplication::activeModalWidget() != modalAtStart_.data()) return false;
    switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) progress_.requestAbort();
            return true;
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ShortcutOverride: return true;
        default: return false;
    }
}
