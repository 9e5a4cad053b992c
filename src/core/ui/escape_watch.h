#pragma once
// While long work runs on the window thread and lets events through now and
// then: Esc asks the work to stop (through its progress port), every other
// key and click is held back so that nothing else starts meanwhile. A box
// the work shows (its own question, a failure) is answered as usual: the
// watch holds back nothing while another modal window than the one it
// started under is up. Make one only around the work itself.

#include <QObject>
#include <QPointer>

class GuiProgressPort;
class QWidget;

class EscapeWatch : public QObject {
public:
    explicit EscapeWatch(GuiProgressPort& progress);
    ~EscapeWatch() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    GuiProgressPort& progress_;
    QPointer<QWidget> modalAtStart_;
};
