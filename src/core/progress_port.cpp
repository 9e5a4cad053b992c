#include "core/progress_port.h"

#include "platform/termination.h"

#include <algorithm>
#include <ostream>

TerminalProgressPort::TerminalProgressPort(std::ostream& out, bool terminal)
    : out_(out), terminal_(terminal) {}

TerminalProgressPort::~TerminalProgressPort() {
    endLine();
}

void TerminalProgressPort::endLine() {
    if (!lineOpen_) return;
    out_ << '\n' << std::flush;
    lineOpen_ = false;
}

void TerminalProgressPort::redraw() {
    if (!terminal_) return;
    QString line = status_.trimmed();
    if (visible_ && maximum_ > 0)
        line += QStringLiteral("  %1/%2").arg(std::clamp(position_, 0, maximum_)).arg(maximum_);
    // Clear to the end of the line: a shorter text leaves nothing behind.
    out_ << '\r' << line.toStdString() << "\x1b[K" << std::flush;
    lineOpen_ = true;
}

void TerminalProgressPort::setVisible(bool shown) {
    visible_ = shown;
    position_ = 0;
    if (shown)
        redraw();
    else
        endLine();
}

void TerminalProgressPort::setMaximum(int maximum) {
    maximum_ = std::max(0, maximum);
    redraw();
}

void TerminalProgressPort::setPosition(int position) {
    if (position == position_) return;
    position_ = position;
    redraw();
}

void TerminalProgressPort::setStatus(const QString& text) {
    if (text == status_) return;
    status_ = text;
    if (terminal_) {
        redraw();
    } else if (!text.trimmed().isEmpty()) {
        out_ << text.trimmed().toStdString() << '\n' << std::flush;
    }
}

bool TerminalProgressPort::abortRequested() {
    return platform::interruptRequested();
}

void TerminalProgressPort::clearAbort() {
    platform::clearInterrupt();
}

void RecordingProgressPort::setMaximum(int maximum) {
    steps_.push_back({Step::Maximum, maximum, {}});
}

void RecordingProgressPort::setPosition(int position) {
    steps_.push_back({Step::Position, position, {}});
    if (abortAt_ >= 0 && position >= abortAt_) {
        abort_ = true;
        abortAt_ = -1;
    }
}

void RecordingProgressPort::setStatus(const QString& text) {
    status_ = text;
    steps_.push_back({Step::Status, 0, text});
}

std::vector<QString> RecordingProgressPort::statusTexts() const {
    std::vector<QString> out;
    for (const Step& s : steps_)
        if (s.kind == Step::Status) out.push_back(s.text);
    return out;
}
