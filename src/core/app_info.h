#pragma once
// The program's own name and version texts.

#include <QString>

class TZkwIni;

namespace app {

inline QString title() {
    return QStringLiteral("ZELKOV E-Mail QSL");
}
inline QString versionText() {
    return QStringLiteral("Ver5.12");
}
inline QString buildDate() {
    return QStringLiteral("2025/11/30");
}
// The main window's caption: title, one blank, version.
inline QString caption() {
    return title() + u' ' + versionText();
}

// The service's web site: the primary and the alternate server base. Both
// can be moved with SENDVIK_SERVER_BASE and SENDVIK_SERVER_BASE2 (tests and
// the demo point them at the local reference server).
QString primaryServerBase();
QString alternateServerBase();
// A program folder may name the servers itself, where the environment does
// not: section [Server], keys Base and Base2 of its settings file (the demo's
// folders name the local reference server so).
void useServerBasesOf(const TZkwIni& settings);

}  // namespace app
