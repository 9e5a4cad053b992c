#pragma once
// Choosing the QSOs of a record range that get a card.

#include "logdata/user_list.h"
#include "logdata/zelkov50.h"

#include <QString>
#include <QStringList>

#include <optional>

struct SelectionCounters {
    int notInUserList = 0;
    int notAMember = 0;  // counted by the send batch from the server's answer
    int tooOld = 0;
    int alreadySent = 0;
    int excludedRoute = 0;
    int invalidDate = 0;     // a stored date or time no calendar has: never a card
    int leftOutByCheck = 0;  // left out by the person after the batch's look over its cards
};

struct SelectionRules {
    QString excludedRoutes;  // QSL routes (first QSL character) never sent to
    QString eligibleSentMarks = QStringLiteral("N");  // sent marks that may be sent again
    bool onlyUnsent = false;                          // send only where no card went out yet
    QString today;                                    // "yy/mm/dd"; empty: the clock's
};

struct Selection {
    QStringList candidates;  // comma text, fields 0 to 9
    SelectionCounters counters;
    int lastAdded = 0;  // record number of the last candidate, 0 when none
    int stoppedAt = 0;  // the record the person stopped at (an impossible date), 0: walked through
};

// Walks first..last (direction 0) or backwards from first until one
// candidate (any other direction) and keeps the QSOs that qualify.
Selection SelectCandidates(ZkwHandle& log, UserHandle& users, int first, int last, int direction,
                           const SelectionRules& rules);

// The candidate fields of one QSO (its date and time in Japan time). A date
// or time no calendar has gives nothing: the person is asked whether to go
// on (the record is skipped) or to stop (`stop` set).
std::optional<QStringList> candidateOf(const QsoRecord& qso, int recno, bool* stop = nullptr);

// A frequency as card file names carry it: "," becomes ".", at most three
// decimals, "/" becomes "-" with the dash flag, anything else ends it.
QString NormalizeFrequency(QStringView text, bool dash);
