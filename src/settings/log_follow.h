#pragma once
// The log file another program appends to and how far it was read
// (`LogFollow`: `File`, `Position`, `Head`): one file followed a program
// folder; another file given starts from its beginning.

#include "logdata/adif.h"

#include <QString>

class TZkwIni;

struct LogFollowSettings {
    QString file;
    FollowedFile followed;

    static LogFollowSettings load(const TZkwIni& settings);
    void save(TZkwIni& settings) const;
    // Where `path` was left; its start when another file was followed.
    FollowedFile placeOf(const QString& path) const;
};
