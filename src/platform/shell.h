#pragma once
// What the desktop shell does for the program: open documents, addresses and
// programs, and name the person's special folders.

#include <QString>
#include <QStringList>

namespace platform {

// Opens a document, folder or address with its default application, or starts
// a program with parameters. Returns a value above 32 on success, else a shell
// error number (2 file not found, 5 access denied, 31 no application).
int shellOpen(const QString& file, const QString& parameters);

// The person's documents folder, without a trailing separator; empty when
// unknown.
QString documentsFolder();

// Whether a downloaded file is a package this platform's installer takes
// (here a Debian package), so that opening it installs a new version.
bool isInstallablePackage(const QString& path);

// Whether the program at `programPath` was installed by the system's
// package manager (then new versions come through it, not the installer).
bool installedByPackageManager(const QString& programPath);

// Path names compare without regard to case on this platform.
bool pathsIgnoreCase();

}  // namespace platform
