#pragma once
// Shows messages in windows: the system-style box, or the program's own
// dialog with its adjustable font when MesCheck is on.

#include "core/msg_box.h"

class GuiMessagePort : public MessagePort {
public:
    int showMessage(const MessageRequest& request) override;
    void beep() override;
};
