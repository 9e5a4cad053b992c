// The entry of sendvik-cli-net: sendvik-cli's commands that talk to mail
// servers and the service's server. sendvik-cli hands these over to it.

#include "cli/cli.h"
#include "core/message_ports.h"
#include "platform/terminal.h"

#include <QCoreApplication>

#include <iostream>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sendvik-cli"));
    TerminalMessagePort port(std::cin, std::cerr, platform::isInteractiveTerminal());
    ScopedMessagePort installed(&port);
    return runNetworkCli(QCoreApplication::arguments().mid(1),
                         QCoreApplication::applicationDirPath(), std::cout, std::cerr);
}
