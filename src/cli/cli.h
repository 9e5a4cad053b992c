#pragma once
// sendvik-cli: the program's operations without windows.

#include <QStringList>

#include <iosfwd>

// Runs one command line (without the program name); output goes to `out`,
// failures to `err`. Returns the process exit code.
int runCli(const QStringList& arguments, const QString& executableDir, std::ostream& out,
           std::ostream& err);
