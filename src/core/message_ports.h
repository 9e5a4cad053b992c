#pragma once
// Message ports that need no windows: a terminal (the command-line program)
// and a script (tests).

#include "core/msg_box.h"

#include <deque>
#include <iosfwd>
#include <vector>

// What pressing Enter answers: the focused button of the dialog the request
// would show.
int defaultAnswer(const MessageRequest& request);

// Prints "[caption] text" with the text's line breaks; when interactive and
// the message has a choice, asks for it on a line (the initial of a button,
// or Enter for the default). Not interactive: takes the default answer, or
// with `assumeYes` the affirmative one (Yes, else OK).
class TerminalMessagePort : public MessagePort {
public:
    TerminalMessagePort(std::istream& in, std::ostream& out, bool interactive,
                        bool assumeYes = false);
    int showMessage(const MessageRequest& request) override;
    void beep() override;

private:
    std::istream& in_;
    std::ostream& out_;
    bool interactive_;
    bool assumeYes_;
};

// Standard error, never asking: the fallback when no port is installed.
class StderrMessagePort : public MessagePort {
public:
    int showMessage(const MessageRequest& request) override;
};

// Records every message and answers from a script; with the script used up it
// answers as Enter would.
class ScriptedMessagePort : public MessagePort {
public:
    int showMessage(const MessageRequest& request) override;

    void beep() override { ++beeps_; }
    int beeps() const { return beeps_; }

    void answer(int result) { answers_.push_back(result); }
    const std::vector<MessageRequest>& messages() const { return messages_; }
    void clear() { messages_.clear(); }

private:
    std::deque<int> answers_;
    std::vector<MessageRequest> messages_;
    int beeps_ = 0;
};
