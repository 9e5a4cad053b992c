#pragma once
// The progress port on a window: its progress bar and status bar. The
// window's stop button calls requestAbort().

#include "core/progress_port.h"

class QProgressBar;
class QStatusBar;

class GuiProgressPort : public ProgressPort {
public:
    GuiProgressPort(QProgressBar& bar, QStatusBar& statusBar);

    void setVisible(bool shown) override;
    void setMaximum(int maximum) override;
    void setPosition(int position) override;
    void setStatus(const QString& text) override;
    QString status() const override;
    bool abortRequested() override { return abort_; }
    void clearAbort() override { abort_ = false; }

    void requestAbort() { abort_ = true; }

private:
    QProgressBar& bar_;
    QStatusBar& statusBar_;
    bool abort_ = false;
};
