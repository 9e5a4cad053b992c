#pragma once
// sendvik-cli send and receive: the send batch and the receive run through
// the terminal's ports.

#include <QStringList>

#include <iosfwd>

class AppPaths;

int runSendCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                   std::ostream& err);
int runReceiveCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                      std::ostream& err);
// sendvik-cli resend FILE: a sent card mailed again to its station, after
// asking the server whether it takes part.
// "wsjtx listen": the QSOs WSJT-X and JTDX announce, into the log (and
// their cards sent with --send).
int runWsjtxCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                    std::ostream& err);
int runResendCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                     std::ostream& err);
// "log follow FILE --send": the followed log's new QSOs, each card sent at
// once as they come.
int runLogFollowSendCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                            std::ostream& err);
