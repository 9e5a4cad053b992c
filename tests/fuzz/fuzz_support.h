#pragma once
// What every fuzz target shares: the Qt application its code expects (a GUI
// one, offscreen, where text is drawn), and a message port that answers
// every question at once and forgets what it was told.

#include "core/message_ports.h"
#include "core/msg_box.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdlib>
#include <memory>

namespace fuzz_support {

class QuietPort : public MessagePort {
public:
    int showMessage(const MessageRequest& request) override {
        // Touch the text as a window would.
        volatile qsizetype n = request.text.size() + request.caption.size();
        (void)n;
        return request.customDialog ? planMsgDialog(request.flags).focusButton
                                    : systemBoxDefaultResult(request.flags);
    }
    void beep() override {}
};

inline void start(bool gui) {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    if (gui) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static QGuiApplication app(argc, argv);
    } else {
        static QCoreApplication app(argc, argv);
    }
    static QuietPort port;
    static ScopedMessagePort installed(&port);
}

}  // namespace fuzz_support
