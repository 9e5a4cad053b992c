#include "core/message_ports.h"

#include <iostream>
#include <string>

namespace {

QString displayText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

// Terminal labels of the buttons, with the letter that picks each.
QString buttonLabel(int result) {
    switch (result) {
        case mb::IdYes:
            return QStringLiteral("はい(Y)");
        case mb::IdNo:
            return QStringLiteral("いいえ(N)");
        case mb::IdOk:
            return QStringLiteral("OK(O)");
        case mb::IdCancel:
            return QStringLiteral("キャンセル(C)");
        case mb::IdAbort:
            return QStringLiteral("中止(A)");
        case mb::IdRetry:
            return QStringLiteral("再試行(R)");
        case mb::IdIgnore:
            return QStringLiteral("無視(I)");
        default:
            return {};
    }
}

QChar buttonKey(int result) {
    switch (result) {
        case mb::IdYes:
            return u'Y';
        case mb::IdNo:
            return u'N';
        case mb::IdOk:
            return u'O';
        case mb::IdCancel:
            return u'C';
        case mb::IdAbort:
            return u'A';
        case mb::IdRetry:
            return u'R';
        case mb::IdIgnore:
            return u'I';
        default:
            return u'?';
    }
}

}  // namespace

int defaultAnswer(const MessageRequest& request) {
    return request.customDialog ? planMsgDialog(request.flags).focusButton
                                : systemBoxDefaultResult(request.flags);
}

TerminalMessagePort::TerminalMessagePort(std::istream& in, std::ostream& out, bool interactive)
    : in_(in), out_(out), interactive_(interactive) {}

int TerminalMessagePort::showMessage(const MessageRequest& request) {
    out_ << '[' << request.caption.toStdString() << "] " << displayText(request.text).toStdString()
         << '\n';
    const std::vector<int> buttons = systemBoxButtons(request.flags);
    const int fallback = defaultAnswer(request);
    if (!interactive_ || buttons.size() < 2) {
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
        if (!std::getline(in_, line)) return fallback;
        const QString answer = QString::fromStdString(line).trimmed().toUpper();
        if (answer.isEmpty()) return fallback;
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
