#pragma once

#include <QStringList>

#include <functional>
#include <iosfwd>

class AppPaths;
struct QsoRecord;

// log import|show|count, and select FIRST LAST, on the log the settings name.
int runLogCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                  std::ostream& err);
// areas import FILE: the area master from "code,name,flag" lines or JARL lists.
int runAreasCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                    std::ostream& err);
int runSelectCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                     std::ostream& err);

// "log follow FILE": the QSOs another program appended to its ADIF log since
// the last reading, into the log; with `once` false, read again every two
// seconds until Ctrl+C. Each added QSO is printed, followed by what
// `afterAdded` (when given) made of it.
using AfterFollowedQso = std::function<QString(int recno, const QsoRecord& qso)>;
int followLogFile(const AppPaths& paths, const QString& file, bool once, std::ostream& out,
                  std::ostream& err, const AfterFollowedQso& afterAdded);
int logFollowUsage(std::ostream& err);
