#pragma once

#include <QStringList>

#include <iosfwd>

class AppPaths;

// settings get|set|delete|words-get|words-set on the program's settings file.
int runSettingsCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                       std::ostream& err);
