#pragma once
// The received-card list: every card picture of the receive folder matched
// against the log, as the list window shows it and the command line prints
// it. Building the list needs no window: the window shows the rows and
// their counts, and writes the marks of the matched rows.

#include "logdata/qso_record.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class LoggingProgram;
class ProgressPort;
struct ZkwHandle;

struct ReceivedListSettings {
    int order = 1;         // 0 by file time, 1 by QSO date, 2 by call sign (Koujun bits 0-1)
    bool details = false;  // Code, Name, QTH and the remarks too (Koujun bit 3)
    QString oldestDate = QStringLiteral("00/00/00");  // ShowGo, yy/mm/dd: older cards left out
    int toleranceMinutes = 10;                        // Gosa
};

// One card file of the folder as the list takes it.
struct ReceivedCardFile {
    QString name;      // upper-cased, extension ".jpg"
    QString fileTime;  // yy/mm/dd hh:mm, the last-written time
    // The name the QSO record inside the picture stands for, when it carries
    // one that differs from the file's name: matching reads it only where the
    // file's name matches nothing.
    QString matchName;
    // The name its date and time are read from: the file's own when it has
    // them, else the record's.
    QString datedName() const;
};

// The name the QSO record inside a card's picture stands for, upper-cased
// with ".jpg"; empty when it carries none or the file has that name.
QString cardRecordName(const QString& path);

// The card files of the folder in the list's order: pictures over 2048
// bytes, not older than the oldest date; by file time or QSO date a name
// without a date and time field is left out.
std::vector<ReceivedCardFile> receivedCardFiles(const QString& folder,
                                                const ReceivedListSettings& settings);

struct ReceivedRow {
    QString mark;      // "◎" or "○" and the QSO's QSL characters, or "■×"
    QString name;      // the card file
    QString fileTime;  // yy/mm/dd hh:mm
    QString record;    // the QSO's record number, or "無し" (no QSO of the call) or "不一致"
    QStringList details;  // Code, Name, QTH, Remarks1, Remarks2, when asked for
    int recno = 0;
    QString matchName;  // the name it was matched by (see ReceivedCardFile)
    // The row as the list keeps it, in comma text.
    QString commaText() const;
};

struct ReceivedList {
    std::vector<ReceivedRow> rows;
    int marked = 0;          // ◎: matched, the QSO already marked as received
    int matched = 0;         // ○: matched, not yet marked
    int unmatched = 0;       // ■×
    int unissued = 0;        // matched QSOs without a sent card
    int firstOpen = -1;      // the first "○" or "■×" row
    int firstUnissued = -1;  // the first row whose QSO has no sent mark
};

// The window's status line: the rows shown, and while the list is as built
// (no search has filtered it) its counts.
QString receivedListStatus(int shown, const ReceivedList& counts, bool asBuilt);

// Matches the card files in order against the open log. `modesAgree` (log
// mode, card mode) decides the modes (the mode table, or exact equality).
ReceivedList matchReceivedCards(const std::vector<ReceivedCardFile>& files, ZkwHandle& log,
                                const ReceivedListSettings& settings, const ModesAgree& modesAgree,
                                ProgressPort* progress = nullptr);

// What a build of the list reads.
struct ReceivedListJob {
    QString qsoData;  // the log's master file
    QString receivedDir;
    ReceivedListSettings settings;
    ModesAgree modesAgree;
};

struct ReceivedListBuild {
    // No card in the folder, the log could not be opened, or built.
    enum class End { NoCards, LogNotOpened, Built } end = End::NoCards;
    ReceivedList list;
};

// Scans the folder and matches its cards against the log, between the
// logging program's access brackets; what goes wrong is told through the
// message port (no card, the log not opened, a log other than the logging
// program's: `expectedRecordCount` above 0 and not the log's count).
ReceivedListBuild BuildReceivedList(const ReceivedListJob& job, LoggingProgram& loggingProgram,
                                    ProgressPort& progress, int expectedRecordCount);

// The log opened for a list between the logging program's access brackets,
// closed and the brackets ended when it goes. The message when it cannot be
// opened, and the one when its record count is not the logging program's
// (`expectedRecordCount` above 0).
class ListLog {
public:
    ListLog(const QString& qsoData, LoggingProgram& loggingProgram, int expectedRecordCount);
    ~ListLog();
    ListLog(const ListLog&) = delete;
    ListLog& operator=(const ListLog&) = delete;

    bool isOpen() const { return open_; }
    ZkwHandle& handle() { return *log_; }

private:
    std::unique_ptr<ZkwHandle> log_;
    LoggingProgram& loggingProgram_;
    bool open_ = false;
};
