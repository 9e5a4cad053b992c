#pragma once
// The log file another program appends to and how far it was read
// (`LogFollow`: `File`, `Position`, `Head`, `Watch`): one file followed a
// program folder; another file given starts from its beginning. `Watch`: the
// desktop program reads the file's new QSOs while it runs.

#include "logdata/adif.h"

#include <QString>

class TZkwIni;

struct LogFollowSettings {
    QString file;
    FollowedFile followed;
    bool watch = false;

    static LogFollowSettings load(const TZkwIni& settings);
    void save(TZkwIni& settings) const;
    // Where `path` was left; its start when another file was followed.
    FollowedFile placeOf(const QString& path) const;
};
