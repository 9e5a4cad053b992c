// The entry of sendvik-cli-net: sendvik-cli's commands that talk to mail
// servers and the service's server. sendvik-cli hands these over to it.

#include "cli/cli.h"
#include "core/japanese_fonts.h"
#include "core/message_ports.h"
#include "platform/terminal.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <memory>

#include <iostream>

int main(int argc, char* argv[]) {
    quietenQtNotices();
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    // Sending draws cards, which needs fonts.
    std::unique_ptr<QCoreApplication> app;
    if (cliCommand(raw) == u"send" || cliCommand(raw) == u"resend" ||
        ((cliCommand(raw) == u"wsjtx" || cliCommand(raw) == u"log") &&
         raw.contains(QStringLiteral("--send")))) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
        installJapaneseFontSubstitutes();
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("sendvik-cli"));
    TerminalMessagePort port(std::cin, std::cerr, platform::isInteractiveTerminal());
    ScopedMessagePort installed(&port);
    return runNetworkCli(QCoreApplication::arguments().mid(1),
                         QCoreApplication::applicationDirPath(), std::cout, std::cerr);
}
