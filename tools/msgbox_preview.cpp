// Shows one message as the program would, to check the dialog's layout and
// translation by eye:  msgbox-preview FLAGS FONTSIZE TEXT [CAPTION] [--system]
// Prints the answer's result number.

#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/ui/app_setup.h"
#include "core/ui/gui_message_port.h"

#include <QApplication>

#include <iostream>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QStringList args = QApplication::arguments().mid(1);
    const bool system = args.removeAll(QStringLiteral("--system")) > 0;
    if (args.size() < 3) {
        std::cerr << "usage: msgbox-preview FLAGS FONTSIZE TEXT [CAPTION] [--system]\n";
        return 2;
    }
    setUpApplication(application);

    GuiMessagePort port;
    ScopedMessagePort installed(&port);
    SetMesCheck(!system);
    SetMsgFontSize(args[1].toInt());
    QString text = args[2];
    text.replace(QStringLiteral("\\r"), QStringLiteral("\r"));
    const int result = ShowMsgBox(nullptr, text, args.value(3, app::title()), args[0].toUInt());
    std::cout << result << '\n';
    return 0;
}
