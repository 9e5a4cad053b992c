#include "core/message_ports.h"

#include <algorithm>
#include <iostream>
#include <string>

namespace {

// Terminal label and key of a button.
QString buttonLabel(int result) {
    const MsgButtonKind* kind = msgButtonKind(result);
    return kind ? QString::fromUtf16(kind->terminalLabel) : QString();
}

QChar buttonKey(int result) {
    const MsgButtonKind* kind = msgButtonKind(result);
    return QChar::fromLatin1(kind ? kind->key : '?');
}

}  // namespace

int defaultAnswer(const MessageRequest& request) {
    return request.customDialog ? planMsgDialog(request.flags).focusButton
                                : systemBoxDefaultResult(request.flags);
}

TerminalMessagePort::TerminalMessagePort(std::istream& in, std::ostream& out, bool interactive,
                                         bool assumeYes)
    : in_(in), out_(out), interactive_(interactive), assumeYes_(assumeYes) {}

int TerminalMessagePort::showMessage(const MessageRequest& request) {
    out_ << '[' << request.caption.toStdString() << "] "
         << messageDisplayText(request.text).toStdString() << '\n';
    const std::vector<int> buttons = systemBoxButtons(request.flags);
    const int fallback = defaultAnswer(request);
    if (assumeYes_ && buttons.size() >= 2) {
        for (int yes : {mb::IdYes, mb::IdOk})
            if (std::find(buttons.begin(), buttons.end(), yes) != buttons.end()) {
                out_ << "> " << buttonLabel(yes).toStdString() << '\n' << std::flush;
                return yes;
            }
    }
    if (!interactive_ || buttons.size() < 2) {
        // Nobody to ask: the answer taken is said, as a person's would be.
        if (buttons.size() >= 2) out_ << "> " << buttonLabel(fallback).toStdString() << '\n';
        out_.flush();
        return fallback;
    }
    QString prompt;
    for (int b : buttons)
        prompt += (prompt.isEmpty() ? QString() : QStringLiteral(" / ")) + buttonLabel(b);
    for (int tries = 0; tries < 5; ++tries) {
        out_ << prompt.toStdString() << " [" << buttonKey(fallback).toLatin1() << "] > "
             << std::flush;
        std::string line;
        if (!std::getline(in_, line)) {
            out_ << '\n' << "> " << buttonLabel(fallback).toStdString() << '\n' << std::flush;
            return fallback;
        }
        const QString answer = QString::fromStdString(line).trimmed().toUpper();
        if (answer.isEmpty()) {
            out_ << "> " << buttonLabel(fallback).toStdString() << '\n' << std::flush;
            return fallback;
        }
        for (int b : buttons) {
            if (answer.front() == buttonKey(b) || answer == buttonLabel(b).toUpper()) return b;
        }
    }
    return fallback;
}

void TerminalMessagePort::beep() {
    if (interactive_) out_ << '\a' << std::flush;
}

int StderrMessagePort::showMessage(const MessageRequest& request) {
    TerminalMessagePort port(std::cin, std::cerr, false);
    return port.showMessage(request);
}

int ScriptedMessagePort::showMessage(const MessageRequest& request) {
    messages_.push_back(request);
    if (answers_.empty()) return defaultAnswer(request);
    const int a = answers_.front();
    answers_.pop_front();
    return a;
}
