#pragma once
// The card in flight of a send batch, in a small file beside the log: written
// (whole, flushed) before its mail goes out, told once the server took the
// mail, and removed once its sent mark is in the log. A batch killed between
// leaves it: the next start marks a card the server took (so that it is not
// mailed again) and names one that may have gone out, until the person
// decides on it: it is never mailed again without asking.

#include <QString>

#include "exchange/sent_mark.h"

#include <QList>

#include <optional>

class SendJournal {
public:
    // `qsoData`: the log's master file; the journal is "<name>.sending" beside it.
    explicit SendJournal(const QString& qsoData);

    // False when it cannot be written: the card is then not sent.
    // `picture`: the card's file, filed in the sent folder by the next start
    // when the server took it. `markBefore`: the QSO's sent mark before the
    // card went out, so that a mark given later is told from it.
    [[nodiscard]] bool begin(int recno, const QString& call, const QString& cardName,
                             const QString& address, const QString& picture = {},
                             std::optional<QChar> markBefore = std::nullopt);
    // The server took the mail. False when that could not be written: the
    // journal then names the card as one that may have gone out.
    [[nodiscard]] bool mailed();
    void end();

    struct LeftOver {
        int recno = 0;
        QString call;
        bool mailed = false;              // the server took it: only its mark is missing
        QString text;                     // the card as the journal names it
        QString picture;                  // its file as the batch drew it
        std::optional<QChar> markBefore;  // the QSO's sent mark before it went out
    };
    // What a killed batch left, nothing when the last batch ended normally.
    // The journal stays until the card is marked or the person decides.
    static std::optional<LeftOver> readLeftOver(const QString& qsoData);
    static void forgetLeftOver(const QString& qsoData);
    // The message for a left-over card: marked now, or possibly mailed.
    static QString leftOverMessage(const LeftOver& left, bool marked);
    // A card awaiting the person's decision, told before the batch that asks.
    static QString undecidedMessage(const LeftOver& left);
    // The question for a card that may have gone out: marked as sent (Yes),
    // mailed again (No), or left out this time and asked again (Cancel).
    static QString leftOverQuestion(const LeftOver& left);
    // Marks the left-over card's QSO (when its record is still that QSO),
    // files its picture in `sentDir` and forgets it; false when the mark
    // could not be written. `failure`: the words when the picture could not
    // be filed.
    static bool markLeftOver(const QString& qsoData, const SentMarkRules& rules,
                             const QString& sentDir, QString* failure = nullptr);
    // What a killed batch left, settled: a card the server took gets its
    // sent mark (by `rules`) when its record is still that QSO, and is filed
    // in `sentDir`. A card that may or may not have gone out joins the
    // undecided ones, which stay named (their records in `unsettled`) until
    // the person decides or their QSO is found marked. The message to show,
    // nothing when nothing was left. `settled` gets the record of a card
    // marked now. Cards mailed but not yet filed are filed; drawn cards
    // nobody needs go. `nameUndecided`: the message names the undecided
    // cards too (a caller that asks about them leaves it false).
    static std::optional<QString> settleLeftOver(const QString& qsoData, const SentMarkRules& rules,
                                                 QList<int>* unsettled = nullptr,
                                                 const QString& sentDir = {},
                                                 int* settled = nullptr, bool nameUndecided = true);
    // The cards that may have gone out, awaiting the person's decision
    // ("<name>.undecided" beside the log).
    static QList<LeftOver> undecided(const QString& qsoData);
    static QString undecidedPathFor(const QString& qsoData);
    enum class Decision {
        Sent,       // it went out: its QSO is marked and its card filed
        SendAgain,  // it did not: the batch mails it
        Later,      // left out this time, asked again
    };
    // False when the mark could not be written (the card stays undecided).
    // `failure`: the words when the picture could not be filed.
    static bool decide(const QString& qsoData, int recno, Decision decision,
                       const SentMarkRules& rules, const QString& sentDir,
                       QString* failure = nullptr);

    // The folder beside the log where a batch draws its cards ("<name>.cards",
    // the person's only): a card that went out stays there until it is filed
    // in the sent folder, whatever ends the batch. Empty when it cannot be made.
    static QString cardFolderFor(const QString& qsoData);
    static QString prepareCardFolder(const QString& qsoData);
    // A card the server took that could not be filed: kept in the folder's
    // "unfiled" part until a later start files it. Where it is now.
    static QString keepUnfiled(const QString& card, const QString& qsoData);
    // Removes the drawn cards but the journal's and the unfiled ones.
    static void sweepCardFolder(const QString& qsoData);

    static QString pathFor(const QString& qsoData);

private:
    QString qsoData_;
    QString path_;
    QByteArray text_;  // as begun
};
