#pragma once
// A batch looked over before its first mail: every card drawn into a private
// folder as the batch would draw it, and what would embarrass the sender
// listed card by card — text past the card's edge or out of its box, fields
// the card prints that are empty, a definition that stops on the record, an
// address from the server that cannot take mail. Nothing is mailed or marked.

#include <QString>
#include <QStringList>

#include <set>
#include <vector>

class CardComposer;
class ProgressPort;

struct CardProblem {
    int recno = 0;
    QString call;
    QString text;  // what is wrong, as the list shows it
};

struct BatchCheck {
    std::vector<CardProblem> problems;
    int checked = 0;       // cards looked at
    bool stopped = false;  // the person stopped the check
    // A card's definition ran over its drawing time: every card would, so
    // the check ends there.
    bool tooSlow = false;
    std::set<int> records() const;
};

// Whether an address can take mail: one "@" with a local part and a domain
// of dotted labels, printable ASCII without blanks, brackets or commas, at
// most 254 characters.
bool isMailAddress(const QString& address);

// Draws and looks at the card of every candidate (comma text: call, record
// number, ..., the partner's address as item 10) with `composer`, whose
// folder keeps the cards for the batch. Messages the drawing would show
// become problems of that card instead.
BatchCheck checkBatchCards(CardComposer& composer, const QStringList& candidates,
                           ProgressPort& progress);

// "No.12 JA1ABC  QTHが空欄です" lines, one a problem.
QStringList problemLines(const BatchCheck& check);

// The question before sending: the problems (at most `shown` lines, then how
// many more) and the three ways on.
QString batchCheckQuestion(const BatchCheck& check, int shown = 20);
