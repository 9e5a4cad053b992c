#pragma once
// The progress of long work (a send batch, a receive run, a list build, a
// backup) as the person follows it: a bar with its maximum and position, a
// status line, and a stop request that the work checks between items. The
// desktop program shows the main window's bar and status bar, the command
// line a line on the terminal, tests record every step.

#include <QString>

#include <iosfwd>
#include <vector>

class ProgressPort {
public:
    virtual ~ProgressPort() = default;

    // The bar shown (at position 0) or hidden.
    virtual void setVisible(bool shown) = 0;
    virtual void setMaximum(int maximum) = 0;
    virtual void setPosition(int position) = 0;
    // The status line; work that changes it restores the text it found.
    virtual void setStatus(const QString& text) = 0;
    virtual QString status() const = 0;
    // Whether the person asked to stop since the last clearAbort().
    virtual bool abortRequested() = 0;
    virtual void clearAbort() = 0;
};

// A terminal: on a terminal one line rewritten in place ("status  12/40");
// otherwise each new status text on a line of its own, no positions. A stop
// is asked for with Ctrl+C (see platform/termination.h).
class TerminalProgressPort : public ProgressPort {
public:
    TerminalProgressPort(std::ostream& out, bool terminal);
    ~TerminalProgressPort() override;

    void setVisible(bool shown) override;
    void setMaximum(int maximum) override;
    void setPosition(int position) override;
    void setStatus(const QString& text) override;
    QString status() const override { return status_; }
    bool abortRequested() override;
    void clearAbort() override;

private:
    void redraw();
    void endLine();

    std::ostream& out_;
    bool terminal_;
    bool visible_ = false;
    bool lineOpen_ = false;
    int maximum_ = 100;
    int position_ = 0;
    QString status_;
};

// Records every step and asks for a stop when the position reaches a given
// value (or at once).
class RecordingProgressPort : public ProgressPort {
public:
    struct Step {
        enum Kind { Visible, Maximum, Position, Status } kind;
        int value = 0;
        QString text;
        bool operator==(const Step&) const = default;
    };

    void setVisible(bool shown) override { steps_.push_back({Step::Visible, shown, {}}); }
    void setMaximum(int maximum) override;
    void setPosition(int position) override;
    void setStatus(const QString& text) override;
    QString status() const override { return status_; }
    bool abortRequested() override { return abort_; }
    void clearAbort() override { abort_ = false; }

    // A stop asked for now, or when the position first reaches `position`.
    void requestAbort() { abort_ = true; }
    void abortAtPosition(int position) { abortAt_ = position; }

    const std::vector<Step>& steps() const { return steps_; }
    // The status texts set, in order.
    std::vector<QString> statusTexts() const;

private:
    std::vector<Step> steps_;
    QString status_;
    int abortAt_ = -1;
    bool abort_ = false;
};
