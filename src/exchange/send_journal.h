#pragma once
// The card in flight of a send batch, in a small file beside the log: written
// (whole, flushed) before its mail goes out and removed once its sent mark is
// in the log. A batch killed between the two leaves it, so the next start
// can name the one card that may have been mailed without its mark.

#include <QString>

#include <optional>

class SendJournal {
public:
    // `qsoData`: the log's master file; the journal is "<name>.sending" beside it.
    explicit SendJournal(const QString& qsoData);

    // False when it cannot be written: the card is then not sent.
    bool begin(int recno, const QString& call, const QString& cardName, const QString& address);
    void end();

    // What a killed batch left, as the message naming the card; the journal
    // is removed once read. Nothing when the last batch ended normally.
    static std::optional<QString> takeLeftOver(const QString& qsoData);

    static QString pathFor(const QString& qsoData);

private:
    QString path_;
};
