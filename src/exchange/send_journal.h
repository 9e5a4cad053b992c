#pragma once
// The card in flight of a send batch, in a small file beside the log: written
// (whole, flushed) before its mail goes out, told once the server took the
// mail, and removed once its sent mark is in the log. A batch killed between
// leaves it: the next start marks a card the server took (so that it is not
// mailed again) and names one that may have gone out.

#include <QString>

#include "exchange/sent_mark.h"

#include <optional>

class SendJournal {
public:
    // `qsoData`: the log's master file; the journal is "<name>.sending" beside it.
    explicit SendJournal(const QString& qsoData);

    // False when it cannot be written: the card is then not sent.
    // `picture`: the card's file, filed in the sent folder by the next start
    // when the server took it.
    [[nodiscard]] bool begin(int recno, const QString& call, const QString& cardName,
                             const QString& address, const QString& picture = {});
    // The server took the mail. False when that could not be written: the
    // journal then names the card as one that may have gone out.
    [[nodiscard]] bool mailed();
    void end();

    struct LeftOver {
        int recno = 0;
        QString call;
        bool mailed = false;  // the server took it: only its mark is missing
        QString text;         // the card as the journal names it
        QString picture;      // its file as the batch drew it
    };
    // What a killed batch left; the journal is removed once read. Nothing
    // when the last batch ended normally.
    static std::optional<LeftOver> takeLeftOver(const QString& qsoData);
    // The message for a left-over card: marked now, or possibly mailed.
    static QString leftOverMessage(const LeftOver& left, bool marked);
    // What a killed batch left, settled: a card the server took gets its
    // sent mark (by `rules`) when its record is still that QSO; the message
    // to show, nothing when nothing was left. `unsettled` gets the record of
    // a card that may or may not have gone out (0 when none), `settled` that
    // of a card marked now. A card marked is filed in `sentDir` when its
    // picture is still where it was drawn.
    static std::optional<QString> settleLeftOver(const QString& qsoData, const SentMarkRules& rules,
                                                 int* unsettled = nullptr,
                                                 const QString& sentDir = {},
                                                 int* settled = nullptr);

    static QString pathFor(const QString& qsoData);

private:
    QString path_;
    QByteArray text_;  // as begun
};
