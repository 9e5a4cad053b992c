#pragma once

#include <QStringList>

#include <iosfwd>

class AppPaths;

// render RECNO -o FILE.jpg [--definition FILE]: the card of one record, drawn
// as the send batch draws it with the program's settings.
int runRenderCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                     std::ostream& err);
