#include "cli/cli.h"
#include "cli/exchange_command.h"
#include "cli/mail_command.h"
#include "cli/server_command.h"

int runNetworkCli(const QStringList& arguments, const QString& executableDir, std::ostream& out,
                  std::ostream& err) {
    return runCliWith(arguments, executableDir, out, err,
                      [](const QString& command, const AppPaths& paths, const QStringList& args,
                         std::ostream& o, std::ostream& e) {
                          if (command == u"mail") return runMailCommand(paths, args, o, e);
                          if (command == u"server") return runServerCommand(paths, args, o, e);
                          if (command == u"send") return runSendCommand(paths, args, o, e);
                          if (command == u"receive") return runReceiveCommand(paths, args, o, e);
                          if (command == u"resend") return runResendCommand(paths, args, o, e);
                          if (command == u"wsjtx") return runWsjtxCommand(paths, args, o, e);
                          if (command == u"log") return runLogFollowSendCommand(paths, args, o, e);
                          return cliUnknownCommand(command, e);
                      });
}
