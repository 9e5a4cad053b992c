#include "core/ui/gui_progress_port.h"

#include <QProgressBar>
#include <QStatusBar>

#include <algorithm>

GuiProgressPort::GuiProgressPort(QProgressBar& bar, QStatusBar& statusBar)
    : bar_(bar), statusBar_(statusBar) {}

void GuiProgressPort::setVisible(bool shown) {
    bar_.setValue(bar_.minimum());
    bar_.setVisible(shown);
}

void GuiProgressPort::setMaximum(int maximum) {
    bar_.setMaximum(std::max(maximum, bar_.minimum()));
}

void GuiProgressPort::setPosition(int position) {
    bar_.setValue(std::clamp(position, bar_.minimum(), bar_.maximum()));
}

void GuiProgressPort::setStatus(const QString& text) {
    statusBar_.showMessage(text);
}

QString GuiProgressPort::status() const {
    return statusBar_.currentMessage();
}
