#pragma once
// The sent-card list: every card picture of the sent folder matched against
// the log, so that the person sees which stations have not confirmed yet,
// resends a card, finds the received card of the same QSO. A sent card's
// name carries the own call first and the partner's call last
// (Own_yymmdd_hhmm_band_mode_Partner.jpg); the partner's call is the key.

#include "archive/card_list_model.h"
#include "archive/received_list.h"

#include <optional>

class LoggingProgram;
class ProgressPort;
struct ZkwHandle;

// The call index key of a sent card: the six characters after its last "_"
// (a four- or five-character call's "." made blanks).
QString sentCardKey(const QString& fileName);

// The card files of the sent folder, over 2048 bytes, in the list's order
// (0 by file time, 1 by name, that is by QSO, 2 by the partner's call).
std::vector<ReceivedCardFile> sentCardFiles(const QString& folder, int order);

struct SentList {
    std::vector<QStringList> rows;  // QSL column or "■×", name, file time, record or reason
    int unreceived = 0;             // matched, the QSO without a received mark
    int unmatched = 0;              // ■×
};

// Matches each card with the minute as close as `toleranceSeconds` and the
// modes equal; an unmatched row says why: "無し" (no QSO of the call),
// "日付時刻", "バンド" or "モード" (the first test the last QSO failed).
SentList matchSentCards(const std::vector<ReceivedCardFile>& files, ZkwHandle& log,
                        qint64 toleranceSeconds, ProgressPort* progress = nullptr);

struct SentListJob {
    QString qsoData;
    QString sentDir;
    int order = 0;
    qint64 toleranceSeconds = 1;  // the minute must be equal
};
struct SentListBuild {
    ReceivedListBuild::End end = ReceivedListBuild::End::NoCards;
    SentList list;
};
SentListBuild BuildSentList(const SentListJob& job, LoggingProgram& loggingProgram,
                            ProgressPort& progress, int expectedRecordCount);

QString sentListStatus(int shown, int unreceived, int unmatched);

// What a row of the sent list names: the partner's call (the text after the
// last "_" up to the "."); the received card's name of the same QSO (first
// and last field swapped); empty when the name has no such fields.
QString partnerCallOfSentCard(const QString& name);
QString receivedNameOfSentCard(const QString& name);

class SentListModel : public CardListModel {
    Q_OBJECT
public:
    explicit SentListModel(QObject* parent = nullptr);

    void setList(const SentList& list);
    int unreceived() const { return unreceived_; }
    int unmatched() const { return unmatched_; }
    QString status() const { return sentListStatus(shownCount(), unreceived_, unmatched_); }

    QString cardName(int index) const { return item(index, 1); }
    // The matching QSO's record number; 0 for an unmatched row.
    int recordNumber(int index) const;

    // Rows whose partner's call fits the search (a pattern with wildcards,
    // or a part of the call); 0 when none (unchanged).
    int search(const QString& text);
    // The unmatched rows and the matched ones whose QSO has no received
    // mark; 0 when none.
    int keepUnreceived();
    std::optional<int> nextUnmatched() { return nextMarked(QStringLiteral("■×")); }
    // The row of the sent card of the same QSO as the received card `name`.
    std::optional<int> locate(const QString& receivedName, qint64 toleranceSeconds) const;

private:
    int unreceived_ = 0;
    int unmatched_ = 0;
};
