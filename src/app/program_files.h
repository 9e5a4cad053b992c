#pragma once
// The files and folders the settings name, resolved against the program
// folder, with their defaults.

#include <QString>

class AppPaths;
class TZkwIni;

struct ProgramFiles {
    QString qsoData;      // the log's master file (".mst"; its QSO data is ".zdb")
    QString userList;     // registered-user list
    QString receivedDir;  // received cards
    QString sentDir;      // sent cards
    QString messageText;  // text appended to card mails
    QString rigAnt;       // rig/antenna data
};

ProgramFiles programFiles(const TZkwIni& settings, const AppPaths& paths);
