#pragma once
// Opening what a text points at: web and mail addresses in a message, files
// and programs named in settings.

#include <QString>
#include <QStringView>

#include <optional>

class QObject;

// The address OpenLinkInText would open: the first "http:/" or "https:/"
// address (at most 254 characters, cut before a blank, a comma or a Japanese
// character), else "mailto:" and the mail address around the first "@".
std::optional<QString> ExtractLinkTarget(QStringView text);

// Opens the address found in the text; false when there is none.
bool OpenLinkInText(QStringView text);

struct ShellTarget {
    QString file;
    QString parameters;
};
// "C:\Tools\app.exe -x" is the program "C:\Tools\app.exe" with "-x"; any
// other text is one file without parameters (at most 510 characters).
ShellTarget SplitShellTarget(QStringView target);

// Opens a file, folder or address, or starts a program with its parameters;
// tells the person when that fails. True when it was opened.
bool ShellOpen(const QString& target);
// A file just written, opened for the person when a program for it is
// there; when none is, it says where the file is rather than an error.
void OpenWrittenFile(const QString& path, QObject* parent);
