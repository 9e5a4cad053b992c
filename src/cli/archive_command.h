#pragma once
// sendvik-cli match and sent-list: the received and the sent card lists,
// printed as the windows show them; and the backup.

#include <QStringList>

#include <iosfwd>

class AppPaths;

int runMatchCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                    std::ostream& err);
int runSentListCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                       std::ostream& err);
// sendvik-cli backup: the archive copied into the backup folder.
int runBackupCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                     std::ostream& err);
// sendvik-cli confirm: the confirmation status by area.
int runConfirmCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                      std::ostream& err);
