// The command-line program's entry. Commands that talk to servers are handed
// over to sendvik-cli-net, so that this executable loads no network or MIME
// library and starts quickly.

#include "cli/cli.h"
#include "cli/cli_output.h"
#include "core/japanese_fonts.h"
#include "core/message_ports.h"
#include "platform/process_handover.h"
#include "platform/terminal.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>

#include <iostream>
#include <memory>

int main(int argc, char* argv[]) {
    quietenQtNotices();
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    const QString command = cliCommand(raw);
    std::unique_ptr<QCoreApplication> application;
    if (command == u"render") {
        // Drawing cards needs fonts; the other commands start faster without.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
        installJapaneseFontSubstitutes();
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    if (isNetworkCommand(command, raw)) {
        const QString companion = QDir(QCoreApplication::applicationDirPath())
                                      .filePath(QString::fromLatin1(kNetworkCliName));
        const QString reason = platform::handOverTo(companion, argv);
        printLine(std::cerr,
                  QStringLiteral("sendvik-cli: %1 を起動できません（sendvik-cli と同じ"
                                 "フォルダに置いてください）: %2（%3）")
                      .arg(QString::fromLatin1(kNetworkCliName), shownPath(companion), reason));
        return 1;
    }
    QCoreApplication::setApplicationName(QStringLiteral("sendvik-cli"));
    TerminalMessagePort port(std::cin, std::cerr, platform::isInteractiveTerminal());
    ScopedMessagePort installed(&port);
    return runCli(QCoreApplication::arguments().mid(1), QCoreApplication::applicationDirPath(),
                  std::cout, std::cerr);
}
