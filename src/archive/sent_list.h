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
    // QSL column or "■×", name, file time, record or reason; an undelivered
    // card has a fifth item, "配達不能" and the server's reason.
    std::vector<QStringList> rows;
    int unreceived = 0;   // matched, the QSO without a received mark
    int unmatched = 0;    // ■×
    int undelivered = 0;  // reported undelivered since the card was sent
};

// Marks the rows of the cards the receive run learnt were not delivered
// (the list in `messageDir`), when the report came after the card's file
// was last written (a card resent since is not marked).
void markUndeliveredCards(SentList& list, const QString& sentDir, const QString& messageDir);

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
    QString messageDir;           // where the undelivered cards are listed; empty: none
};
struct SentListBuild {
    ReceivedListBuild::End end = ReceivedListBuild::End::NoCards;
    SentList list;
};
SentListBuild BuildSentList(const SentListJob& job, LoggingProgram& loggingProgram,
                            ProgressPort& progress, int expectedRecordCount);

QString sentListStatus(int shown, int unreceived, int unmatched, int undelivered = 0);

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
    int undelivered() const { return undelivered_; }
    QString status() const {
        return sentListStatus(shownCount(), unreceived_, unmatched_, undelivered_);
    }

    QString cardName(int index) const { return item(index, 1); }
    // The matching QSO's record number; 0 for an unmatched row.
    int recordNumber(int index) const;

    // Rows whose partner's call fits the search (a pattern with wildcards,
    // or a part of the call); 0 when none (unchanged).
    int search(const QString& text);
    // The unmatched rows and the matched ones whose QSO has no received
    // mark; 0 when none.
    int keepUnreceived();
    // The undelivered rows; 0 when none.
    int keepUndelivered();
    bool isUndelivered(int index) const { return !item(index, 4).isEmpty(); }
    // The record numbers of the undelivered rows shown that match a QSO.
    std::vector<int> undeliveredRecords() const;
    std::optional<int> nextUnmatched() { return nextMarked(QStringLiteral("■×")); }
    // The row of the sent card of the same QSO as the received card `name`.
    std::optional<int> locate(const QString& receivedName, qint64 toleranceSeconds) const;

private:
    int unreceived_ = 0;
    int unmatched_ = 0;
    int undelivered_ = 0;
};

// Takes the sent marks of the QSOs back, to what they were before the card
// (by the sent-mark rule), so that the cards go again with the next batch.
// The number of QSOs changed; nothing when the log cannot be opened.
std::optional<int> takeBackSentMarks(const QString& qsoData, const std::vector<int>& records,
                                     const QString& rule, LoggingProgram& loggingProgram);

// The sent list's command for undelivered cards: with the cursor on one,
// asks whether to take back the sent mark of that QSO alone or of every
// undelivered card shown; else asks for them all. Tells what was done; the
// number of QSOs changed (the list is built again when above 0).
int offerTakingBackSentMarks(const SentListModel& model, int current, const QString& qsoData,
                             const QString& rule, LoggingProgram& loggingProgram);
