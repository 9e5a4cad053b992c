// The command-line program's entry.

#include "cli/cli.h"
#include "core/japanese_fonts.h"
#include "core/message_ports.h"
#include "platform/terminal.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <iostream>
#include <memory>

int main(int argc, char* argv[]) {
    // Drawing cards needs fonts; the other commands start faster without.
    bool draws = false;
    for (int i = 1; i < argc; ++i)
        draws = draws || std::string_view(argv[i]) == "render";
    std::unique_ptr<QCoreApplication> application;
    if (draws) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
        installJapaneseFontSubstitutes();
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("sendvik-cli"));
    TerminalMessagePort port(std::cin, std::cerr, platform::isInteractiveTerminal());
    ScopedMessagePort installed(&port);
    return runCli(QCoreApplication::arguments().mid(1), QCoreApplication::applicationDirPath(),
                  std::cout, std::cerr);
}
