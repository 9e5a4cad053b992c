#include "core/ui/wait_cursor.h"

#include <QCursor>
#include <QGuiApplication>

WaitCursor::WaitCursor() {
    resume();
}

WaitCursor::~WaitCursor() {
    lift();
}

void WaitCursor::lift() {
    if (!shown_) return;
    QGuiApplication::restoreOverrideCursor();
    shown_ = false;
}

void WaitCursor::resume() {
    if (shown_) return;
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    shown_ = true;
}
