#pragma once
// sendvik-cli match and sent-list: the received and the sent card lists,
// printed as the windows show them.

#include <QStringList>

#include <iosfwd>

class AppPaths;

int runMatchCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                    std::ostream& err);
int runSentListCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                       std::ostream& err);
