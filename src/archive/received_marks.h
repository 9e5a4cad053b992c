#pragma once
// The received mark a matched QSO gets in the log, from the received-mark
// setting (QslRcv, e.g. "H;*=W;": "H" for a QSO without a mark, "*" turned
// into "W") and the mark the QSO has now.

#include <QChar>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

// The mark to write, or nothing when the QSO keeps its mark. With
// `markReceived` (the setting that marks QSOs already marked) a QSO without a
// mark gets the setting's first character, a marked one the Y of the first
// "X=Y" whose X is its mark, else the setting's last character (unless that
// is ";"); a QSO that has the first character, or would get its own mark
// again, keeps it. Without it only a QSO without a mark gets the first
// character.
std::optional<QChar> receivedMarkFor(const QString& setting, QChar current, bool markReceived);

struct ZkwHandle;

class ProgressPort;

struct MarkWriting {
    int written = 0;       // received marks written
    int areas = 0;         // area entries confirmed
    bool stopped = false;  // a stop asked for: the marks before it are written
    QString failure;       // what could not be written (the marks before it are)
};

// Writes the received marks of the matched records (`recnos`, in list order;
// records that cannot be read are passed over); with `confirmArea` each of
// them also confirms its area (written mark or not) and the entries it
// changed are counted. The marks go in together, a few thousand to a
// commit; the bar follows and a stop is seen between records. Whatever ends
// it, each record is marked whole or not at all.
MarkWriting writeReceivedMarks(ZkwHandle& log, const std::vector<int>& recnos,
                               const QString& setting, bool markReceived, ProgressPort& progress,
                               const std::function<int(int recno)>& confirmArea = {});
// What the person is told afterwards.
QString markWritingSummary(const MarkWriting& done, const QString& setting);

class LoggingProgram;

// The list's command "QSL受領マーク書き込み": what it reads.
struct MarkWritingJob {
    QString qsoData;  // the log's master file (its area master too)
    QString rule;     // QslRcv
    bool markReceived = true;
    bool confirmInMaster = false;  // ConfChk
};

// Asks first (when `ask`), writes the marks of the matched records between
// the logging program's access brackets and tells the summary; nothing when
// the person declines or the log cannot be opened (told).
std::optional<MarkWriting> WriteMarksOfList(const MarkWritingJob& job,
                                            const std::vector<int>& recnos,
                                            LoggingProgram& loggingProgram, ProgressPort& progress,
                                            bool ask);
