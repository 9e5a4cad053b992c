#pragma once
// The cards the receive run learnt were not delivered: one line a report in
// "Undelivered.csv" in the message folder (comma text, CP932, like the
// program's other files): the card, the address, the status, the server's
// reason, when the report came, and the file its text was kept in. The sent
// list reads it to show those cards as undelivered.

#include <QDateTime>
#include <QString>

#include <vector>

struct UndeliveredCard {
    QString cardName;
    QString recipient;
    QString status;
    QString reason;
    QDateTime reported;  // local time the report was read
    QString reportFile;  // the report's text in the message folder
};

QString undeliveredListPath(const QString& messageDir);

// Adds the card to the list (the file written anew under a temporary name);
// false when it could not be written.
[[nodiscard]] bool recordUndeliveredCard(const QString& messageDir, const UndeliveredCard& card);

// The list as written, oldest first; lines that are no entry are skipped.
// At most 10,000 entries (the newest) and the last 4 MiB are read.
std::vector<UndeliveredCard> readUndeliveredCards(const QString& messageDir);
