#pragma once
// While long work runs on the window thread and lets events through now and
// then: Esc asks the work to stop (through its progress port), every other
// key and click is held back so that nothing else starts meanwhile.

#include <QObject>

class GuiProgressPort;

class EscapeWatch : public QObject {
public:
    explicit EscapeWatch(GuiProgressPort& progress);
    ~EscapeWatch() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    GuiProgressPort& progress_;
};
