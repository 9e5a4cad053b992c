#pragma once
// sendvik-cli: the program's operations without windows.
//
// The commands that talk to servers (mail, the service's server) run in a
// companion executable, sendvik-cli-net, that sendvik-cli hands over to: the
// other commands (card drawing above all) then start without loading the
// network and MIME libraries.

#include <QStringList>

#include <iosfwd>

// The command word of a command line (the first argument after --home DIR).
QString cliCommand(const QStringList& arguments);
// Whether the command sends, receives or writes the log or the marks: such a
// command holds the program folder's lock while it runs.
bool changesProgramFolder(const QString& command, const QStringList& args);
// Whether the command may start a program folder that is not there yet:
// the settings' writers and the log import.
bool startsProgramFolder(const QString& command, const QStringList& args);
// Whether the command line (`arguments`: all of it) is one of
// sendvik-cli-net's.
bool isNetworkCommand(const QString& command, const QStringList& arguments);

// The file name of the companion executable beside sendvik-cli.
inline constexpr char kNetworkCliName[] = "sendvik-cli-net";

// Runs one command line (without the program name); output goes to `out`,
// failures to `err`. Returns the process exit code. runCli runs the local
// commands, runNetworkCli the network ones.
int runCli(const QStringList& arguments, const QString& executableDir, std::ostream& out,
           std::ostream& err);
int runNetworkCli(const QStringList& arguments, const QString& executableDir, std::ostream& out,
                  std::ostream& err);

// Shared by both dispatchers: the usage text, and the common start (--home,
// --version, the program folder) before the handler gets the command.
class AppPaths;
using CliHandler = int (*)(const QString& command, const AppPaths& paths, const QStringList& args,
                           std::ostream& out, std::ostream& err);
int cliUsage(std::ostream& err);
// A line naming the command that is not one, then the usage: exit code 2.
int cliUnknownCommand(const QString& command, std::ostream& err);
// Leaves out Qt's notices that mean nothing to a user of the command line.
void quietenQtNotices();
int runCliWith(const QStringList& arguments, const QString& executableDir, std::ostream& out,
               std::ostream& err, CliHandler handler);

struct QsoRecord;
// A QSO taken into the log, as the commands that follow other programs print
// it: "logged=CALL,YYYYMMDD,HHMM,BAND,MODE" (UTC).
QString loggedQsoLine(const QsoRecord& qso);
