#pragma once
// A card file against the log: whether one QSO of the log is the QSO a card
// picture confirms. A card's name carries the QSO (Sender_yymmdd_hhmm_band_
// mode_Receiver.jpg, the time in Japan time); it matches a QSO of the same
// call whose moment lies within the tolerance, on the same band, in the same
// mode (or one the mode table lets stand for it). The received list, the
// sent list, the tally by area and the logging program's "show the card of
// this QSO" all use this rule.

#include "exchange/logging_program.h"
#include "logdata/qso_record.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

struct ZkwHandle;

// A picture file of this many bytes or fewer is no card: the lists leave it out.
inline constexpr qint64 kMaxNonCardBytes = 2048;

// How close a card's time must be to the QSO's: the tolerance setting in
// minutes, plus one second.
qint64 matchToleranceSeconds(int toleranceMinutes);

// The card's band and mode from its name, and whether its date and time lie
// within `toleranceSeconds` of the QSO's (a UTC QSO is taken to Japan time,
// the time of the card names). False without the name's fields; false
// without a QSO time (band and mode are still filled); a QSO or a name whose
// date or time no calendar has is told through the message port, and the
// band is emptied.
bool MatchCardDateTime(const QString& fileName, const QsoRecord& qso, qint64 toleranceSeconds,
                       QString& band, QString& mode);

// The QSO's moment in Japan time (the card names' time); invalid when its
// date or time is none.
QDateTime qsoJapanTime(const QsoRecord& qso);
// The moment a card name gives (Japan time), its band and its mode; the
// moment invalid when the name has no date and time a calendar has.
struct CardNameFields {
    QDateTime at;
    QString band;
    QString mode;
};
CardNameFields cardNameFields(const QString& fileName);

// The names a card file is matched by, in turn: its own name (which decides:
// a card renamed to its QSO matches that QSO), then the name the QSO record
// inside the picture stands for, when it carries one (a card renamed by its
// receiver still matches); upper-cased with ".jpg". The first 4 KiB are read.
QStringList cardMatchNames(const QString& path);

// The call index key of a card name: its first six characters, with the
// "_" after a four- or five-character call made blanks.
QString cardIndexKey(const QString& fileName);

// One QSO of the log against a card's name: 1 examined, +2 its date and time
// within the tolerance, +4 the same band, +8 the modes agree (15: the card's
// QSO). `band`, when asked, is the name's band as MatchCardDateTime leaves it
// (empty when the name's date and time or the QSO's is none).
int cardQsoVerdict(const QString& matchName, const QsoRecord& qso, qint64 toleranceSeconds,
                   const ModesAgree& modesAgree, QString* band = nullptr);

// Whether a QSO is of 1950-1999 (a card's name gives a year of 20yy).
bool isLastCenturyQso(const QsoRecord& qso);

// The QSOs of one call as the call index holds them, newest first.
struct CallWalk {
    QString key;  // the call's index key (six characters, blank-padded)
    enum class LastCentury { Skip, EndWalk, Include } lastCentury = LastCentury::Skip;
    int lowestRecord = 1;  // no record below it
    int limit = 0;         // the most looked at; 0: as many as the log has
    QString oldestDate{};  // "yy/mm/dd": the walk ends at an older QSO; empty: none
};
// Hands each QSO of the walk to `visit` until it returns false.
void walkCallQsos(ZkwHandle& log, const CallWalk& walk,
                  const std::function<bool(int recno, const QsoRecord& qso)>& visit);

struct CardMatch {
    // 1 examined, +2 date and time within the tolerance, +4 same band, +8
    // modes agree: 15 is a match. The verdict of the last record looked at.
    int verdict = 0;
    int recno = 0;  // the matching record, 0 when none
    QsoRecord qso;  // its QSO
    bool matched() const { return verdict == 15; }
};

// Walks the QSOs of the card's call from the index position backwards; the
// first one that matches wins. QSOs of 1950-1999 never match. `modesAgree`
// (log mode, card mode) decides the modes.
CardMatch matchCard(ZkwHandle& log, const QString& fileName, qint64 toleranceSeconds,
                    const ModesAgree& modesAgree);
// The same walk for the call `key` (six characters, blank-padded); with
// `stopWithoutBand` it ends at the first QSO for which the name gives no band
// (a name whose date or time no calendar has).
CardMatch matchCardOfKey(ZkwHandle& log, const QString& fileName, const QString& key,
                         qint64 toleranceSeconds, const ModesAgree& modesAgree,
                         bool stopWithoutBand);

// A card file's path in `folder` from the name a list shows (upper-cased,
// ".jpg"): the file of that name, or the one whose name differs only in
// letter case (a file system that tells them apart).
QString cardFilePath(const QString& folder, const QString& shownName);

// The received card of one QSO: the first picture matching `pattern` (a
// folder and a file mask, "受信/JA1ABC_*.jpg") in name order, over 2048
// bytes, whose date and time, band and mode fit the QSO; its path, or
// nothing when none fits.
std::optional<QString> FindReceivedCardForQso(const QString& pattern, const QsoRecord& qso,
                                              qint64 toleranceSeconds,
                                              const ModesAgree& modesAgree);

// The logging program asks for the received card of the QSO on its screen:
// the card among the pictures of `pattern` (which then becomes the card's
// path), and the record of the QSO the card matches in the log `qsoData`; 0
// when no card fits or the log holds no QSO it matches. The log is opened
// between the logging program's access brackets.
int ReceivedCardRecordOfQso(QString& pattern, const QsoRecord& qso, const QString& qsoData,
                            qint64 toleranceSeconds, const ModesAgree& modesAgree,
                            LoggingProgram& loggingProgram);
