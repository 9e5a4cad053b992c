#pragma once
// The files and folders the settings name (section Config), resolved against
// the program folder, with their defaults; and their keys written when the
// person chooses another one.

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

// A file or folder the settings name, made absolute; one written on Windows
// (a settings file brought over) is looked for as Windows would find it.
QString programFilePath(const QString& stored, const QString& programDir);

enum class ProgramFile { QsoData, UserList, ReceivedDir, SentDir, MessageText, RigAnt };

// Keeps a chosen file: relative to the program folder when it lies inside.
void storeProgramFile(TZkwIni& settings, ProgramFile which, const QString& path,
                      const QString& programDir);
// Keeps a value as it is ("C:\" for closed rig/antenna data), or forgets the
// key when it is empty.
void storeProgramFileValue(TZkwIni& settings, ProgramFile which, const QString& value);

// The QSL definition in use (QslDef/mQSL), as the main window draws expert
// cards from it and the definition editor opens, saves and closes it: both
// read and keep it here, so they never disagree.
class DefinitionChoice {
public:
    DefinitionChoice(TZkwIni& settings, QString programDir)
        : settings_(settings), programDir_(std::move(programDir)) {}
    // The full path; ".mQsl" in the program folder when none was chosen.
    QString path() const { return storedPath(settings_, programDir_); }
    static QString storedPath(const TZkwIni& settings, const QString& programDir);
    void choose(const QString& path);

private:
    TZkwIni& settings_;
    QString programDir_;
};
