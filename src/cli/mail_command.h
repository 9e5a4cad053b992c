#pragma once

#include <QStringList>

#include <iosfwd>

class AppPaths;

// mail send|list|fetch with the mail account of the settings file.
int runMailCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                   std::ostream& err);
