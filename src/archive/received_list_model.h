#pragma once
// The received-card list as its window shows it and the command line prints
// it: the rows of a build with their counts, the status line, where the
// cursor goes first, and the list's commands on the rows shown (the search
// by call sign or over the whole line, the filters, the next unmatched row,
// finding the row of a card, the band and mode statistic).

#include "archive/card_list_model.h"
#include "archive/received_list.h"

#include <optional>

class ReceivedListModel : public CardListModel {
    Q_OBJECT
public:
    explicit ReceivedListModel(QObject* parent = nullptr);

    // A new build; `details`: the Code, Name, QTH and remarks columns.
    void setList(const ReceivedList& list, bool details);
    void setDetails(bool details);
    const ReceivedList& counts() const { return counts_; }
    // Until a search filtered the list, the status line has the counts.
    bool searchable() const { return searchable_; }
    QString status() const { return receivedListStatus(shownCount(), counts_, searchable_); }
    // Where the cursor goes after a build: the first row whose QSO has no
    // sent card, else the first "○" or "■×" row; -1 when none.
    int firstIndexOfInterest() const;

    // Rows of the list: the card file (column 2) and the record number
    // (column 4, 0 for an unmatched row).
    QString cardName(int index) const { return item(index, 1); }
    int recordNumber(int index) const;
    // The call of a matched row's card (its name before the first "_"), for
    // the send and show commands; empty for an unmatched row.
    QString callOfMatchedRow(int index) const;
    // The record numbers of the rows shown, in list order (unmatched rows
    // left out).
    std::vector<int> matchedRecords() const;
    // The rows of the build that match no QSO, with the names they were
    // matched by (for the near misses).
    const std::vector<ReceivedRow>& unmatchedRows() const { return unmatched_; }

    // The search: in call-sign mode the call part of each card name against
    // the text (with wildcards as a pattern, else as a part of it); in
    // whole-line mode the mark and the name. The rows kept; 0 when none
    // (the list unchanged).
    int search(const QString& text, bool callMode);
    // Matched rows whose QSO has no sent card; 0 when none (unchanged).
    int keepUnissued();
    // Matched rows without a Code, and the unmatched rows; 0 when none.
    int keepBlankCode();
    std::optional<int> nextUnmatched() { return nextMarked(QStringLiteral("■×")); }

    // The row of the card of the same QSO as the card `name` (a received
    // card's name): same date and time within the tolerance, same band,
    // same mode; a row with another mode when none has the same.
    std::optional<int> locate(const QString& name, qint64 toleranceSeconds) const;

    // The band and mode statistic of the rows shown, as the spreadsheet
    // takes it: "Band,Mode,Count", a line for each band and mode, the total.
    QStringList statistics() const;

private:
    ReceivedList counts_;
    std::vector<ReceivedRow> unmatched_;
    bool searchable_ = false;
};

// A band index's name in the statistic ("7M", "SAT", "N/A").
QString statisticBandName(int bandIndex);
