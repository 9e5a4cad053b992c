#pragma once
// The program folder: where the settings file, the default card folders and
// every relative path of the settings live. Shared by the desktop program and
// the command-line program.

#include <QString>
#include <QStringList>

class AppPaths {
public:
    // Chooses the folder: `--home DIR` among the arguments, else the
    // SENDVIK_HOME environment variable, else the executable's folder when it
    // is writable and holds the settings file (an installed copy), else
    // ~/Zelkov/. The folder is created when missing.
    static AppPaths resolve(const QStringList& arguments, const QString& executableDir);
    // The same folder, not created.
    static AppPaths locate(const QStringList& arguments, const QString& executableDir);

    explicit AppPaths(QString programDir);

    // Ends with a separator.
    const QString& programDir() const { return programDir_; }
    // The settings file: the program folder + "Sendvik.ini".
    QString settingsFile() const;
    // Whether the folder exists or could be created.
    bool usable() const;

    static QString settingsFileName() { return QStringLiteral("Sendvik.ini"); }

private:
    QString programDir_;
};

// Removes "--home DIR" (or "--home=DIR") from the arguments and returns DIR;
// empty when absent.
QString takeHomeArgument(QStringList& arguments);
