#include "cli/cli.h"

#include "cli/archive_command.h"
#include "cli/log_command.h"
#include "cli/render_command.h"
#include "cli/settings_command.h"
#include "core/app_info.h"
#include "core/app_paths.h"
#include "core/zkw_ini.h"

#include <QtGlobal>

#include <ostream>

int cliUsage(std::ostream& err) {
    err << "usage: sendvik-cli [--home DIR] COMMAND ...\n"
           "  --version            the program's title and version\n"
           "  settings ...         read and change the settings file\n"
           "  log ...              import an ADIF log, show a record, count records\n"
           "  select FIRST LAST    the QSOs of a record range that get a card\n"
           "  areas import FILE    the area master from a code list\n"
           "  mail send|list|fetch check the mail account of the settings\n"
           "  render RECNO -o F    draw the card of a record\n"
           "  server whoami|check CALL|members CALL...\n"
           "                       ask the service's server with the settings' account\n"
           "  send FIRST LAST [--yes] [--confirm]\n"
           "                       mail the cards of a record range\n"
           "  receive [--yes]      fetch and file the cards mailed to this station\n"
           "  match [--write-marks [--confirm-areas]]\n"
           "                       the received cards matched against the log\n"
           "  match --explain [--force-common]\n"
           "                       why cards match no QSO, and the forced match of a\n"
           "                       time difference many of them share\n"
           "  sent-list [--unreceived] [--tolerance MINUTES]\n"
           "                       the sent cards matched against the log\n"
           "  resend FILE [--yes]  mail a sent card again to its station\n"
           "  confirm --view 0|1|2 [--band B]... [--mode M,M...] [--xlsx FILE]\n"
           "                       the confirmation status by area\n"
           "  backup [--to DIR] [--sent] [--texts]\n"
           "                       copy the settings and the cards into the backup folder\n";
    return 2;
}

int cliUnknownCommand(const QString& command, std::ostream& err) {
    err << "sendvik-cli: unknown command: " << command.left(80).toStdString() << '\n';
    return cliUsage(err);
}

namespace {

QtMessageHandler qtDefaultHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    // Qt's notice that the session has no runtime folder says nothing a
    // user of the command line can act on.
    if (type == QtWarningMsg && message.startsWith(u"QStandardPaths: XDG_RUNTIME_DIR")) return;
    if (qtDefaultHandler) qtDefaultHandler(type, context, message);
}

}  // namespace

void quietenQtNotices() {
    qtDefaultHandler = qInstallMessageHandler(quietHandler);
}

QString cliCommand(const QStringList& arguments) {
    QStringList args = arguments;
    takeHomeArgument(args);
    return args.isEmpty() ? QString() : args.front();
}

bool isNetworkCommand(const QString& command) {
    return command == u"mail" || command == u"server" || command == u"send" ||
           command == u"receive" || command == u"resend";
}

int runCliWith(const QStringList& arguments, const QString& executableDir, std::ostream& out,
               std::ostream& err, CliHandler handler) {
    QStringList args = arguments;
    takeHomeArgument(args);
    if (args.isEmpty()) return cliUsage(err);
    if (args.front() == u"--version") {
        out << app::caption().toStdString() << '\n';
        return 0;
    }
    const AppPaths paths = AppPaths::resolve(arguments, executableDir);
    if (!paths.usable()) {
        err << "sendvik-cli: the program folder cannot be used: "
            << paths.programDir().toStdString() << '\n';
        return 1;
    }
    app::useServerBasesOf(TZkwIni(paths.settingsFile()));
    const QString command = args.takeFirst();
    return handler(command, paths, args, out, err);
}

int runCli(const QStringList& arguments, const QString& executableDir, std::ostream& out,
           std::ostream& err) {
    return runCliWith(arguments, executableDir, out, err,
                      [](const QString& command, const AppPaths& paths, const QStringList& args,
                         std::ostream& o, std::ostream& e) {
                          if (command == u"settings") return runSettingsCommand(paths, args, o, e);
                          if (command == u"log") return runLogCommand(paths, args, o, e);
                          if (command == u"select") return runSelectCommand(paths, args, o, e);
                          if (command == u"areas") return runAreasCommand(paths, args, o, e);
                          if (command == u"render") return runRenderCommand(paths, args, o, e);
                          if (command == u"match") return runMatchCommand(paths, args, o, e);
                          if (command == u"sent-list") return runSentListCommand(paths, args, o, e);
                          if (command == u"backup") return runBackupCommand(paths, args, o, e);
                          if (command == u"confirm") return runConfirmCommand(paths, args, o, e);
                          return cliUnknownCommand(command, e);
                      });
}
