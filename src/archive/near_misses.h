#pragma once
// Why a received card matches no QSO: the QSOs of its call nearest to it,
// with what differs (the time by how many minutes, the band, the mode); and,
// over all such cards, a difference many of them share — a partner whose
// log keeps Japan time as UTC sends every card nine hours late — with the
// forced match for them together: each card renamed to its QSO's date and
// time, the rename the received list offers for one card.

#include "logdata/qso_record.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class LoggingProgram;
struct ReceivedRow;
struct ZkwHandle;

struct NearQso {
    int recno = 0;
    QsoRecord qso;
    qint64 minutesOff = 0;  // the card's time less the QSO's (Japan time)
    bool timeKnown = false;
    bool sameBand = false;
    bool sameMode = false;
};

struct NearMiss {
    QString cardName;              // the file, as the list shows it
    QString matchName;             // the name it is matched by
    QString call;                  // the sender's call
    std::vector<NearQso> nearest;  // nearest in time first, at most three
    // The QSOs on the card's band and mode with a known time, those a time
    // difference alone keeps apart: nearest first, at most 64.
    std::vector<NearQso> aligned;
};

// The QSOs of the card's call (from the log's call index, at most 20,000
// looked at) nearest to the card. Asks nothing: a date no calendar has
// counts as no time.
NearMiss findNearMiss(ZkwHandle& log, const QString& cardName, const QString& matchName,
                      const ModesAgree& modesAgree);

// The near misses of the "■×" rows of a received list.
std::vector<NearMiss> explainUnmatched(const std::vector<ReceivedRow>& rows, ZkwHandle& log,
                                       const ModesAgree& modesAgree);

// "No.12  2024/03/15 21:34 JST  7.024MHz CW  時刻 +540分" lines, one a QSO.
QStringList nearMissLines(const NearMiss& miss);
// "9時間", "1日と3時間5分", "12分" for a difference in minutes (its sign left off).
QString offsetText(qint64 minutes);

// A time difference several cards share with their aligned QSOs.
struct CommonOffset {
    qint64 minutesOff = 0;
    QString call;  // one station's cards; empty: several stations'
    struct Pair {
        QString cardName;
        int recno = 0;
        QsoRecord qso;
    };
    std::vector<Pair> cards;
};

// The shared differences of at least `atLeast` cards beyond the tolerance,
// each card with the one of its aligned QSOs that is that far off: first
// those of one station, then, for what is left, those across stations; the
// difference most cards share first. A card is in one group at most.
std::vector<CommonOffset> commonOffsets(const std::vector<NearMiss>& misses,
                                        qint64 toleranceSeconds, int atLeast = 3);
// The sentence the list says about one: "JA1ABC局の電子QSL 5枚は、QSOの時刻
// より 9時間 遅くなっています。（日本時間をUTCとして記録した可能性があります）".
QString commonOffsetText(const CommonOffset& offset);

// The card's name with its date and time made the QSO's (Japan time); empty
// when the name has not the six fields of a card name or the QSO no time.
QString forcedMatchName(const QString& cardName, const QsoRecord& qso);

struct ForcedMatch {
    int renamed = 0;
    QStringList failed;  // "OLD → NEW" of the renames that did not go
};
// Renames the cards of `offset` (and their texts) so that each matches its
// QSO by name.
ForcedMatch forceMatch(const CommonOffset& offset, const QString& receivedDir,
                       const QString& messageDir);

// The received list's command "照合できない理由": among the `rows`, the
// card named `current` (the cursor's; when it matches no QSO) told with its
// nearest QSOs; then every time
// difference the list's unmatched cards share named, each with the
// question whether to force-match its cards together. The number of cards
// renamed: above 0, the list is built again.
struct NearMissJob {
    QString qsoData;
    QString receivedDir;
    QString messageDir;
    int toleranceMinutes = 10;
    ModesAgree modesAgree;
};
// The boxes open over `owner` (the list's window).
int explainNearMisses(const NearMissJob& job, const std::vector<ReceivedRow>& rows,
                      const QString& current, LoggingProgram& loggingProgram,
                      QObject* owner = nullptr);
// The name a rename proposes for an unmatched card: its nearest QSO of the
// same band and mode, at that QSO's time (the forced match's name); empty
// when it has none (or is matched).
QString proposedCardName(const NearMissJob& job, const std::vector<ReceivedRow>& rows,
                         const QString& cardName, LoggingProgram& loggingProgram);
// The near misses of the rows, against the job's log between the logging
// program's access brackets; nothing when the log cannot be opened (told).
std::optional<std::vector<NearMiss>> nearMissesOf(const NearMissJob& job,
                                                  const std::vector<ReceivedRow>& rows,
                                                  LoggingProgram& loggingProgram);
