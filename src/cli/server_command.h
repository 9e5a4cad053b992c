#pragma once

#include <QStringList>

#include <iosfwd>

class AppPaths;

// server whoami|check CALL|members CALL... with the service account of the
// settings file (Option/Calls, the service password, the environment's server).
int runServerCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                     std::ostream& err);
