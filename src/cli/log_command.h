#pragma once

#include <QStringList>

#include <iosfwd>

class AppPaths;

// log import|show|count, and select FIRST LAST, on the log the settings name.
int runLogCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                  std::ostream& err);
// areas import FILE: the area master from "code,name,flag" lines or JARL lists.
int runAreasCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                    std::ostream& err);
int runSelectCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                     std::ostream& err);
