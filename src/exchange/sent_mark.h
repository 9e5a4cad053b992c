#pragma once
// The sent mark a card writes into the QSL column's second character.

#include <QChar>
#include <QString>

#include <optional>

struct SentMarkRules {
    // The #Mark string a definition set for this card ("\x1F": mark
    // nothing); empty when the card was not drawn by a definition that set one.
    QString definitionMark;
    // Kankyo/QslSent: the primary mark, then "old=new" entries between ";".
    QString rule = QStringLiteral("H;*=W;");
    // "QSL発行済みでも発行済みマークする" (SentMark).
    bool markAlreadySent = false;
    // The marks that make a QSO one to send (QslS2, "N" by default): such a
    // mark says no card went out yet, so a card sent takes the primary mark
    // as a blank would; left as it was, the QSO would be sent again and again.
    QString eligibleMarks;
};

// The mark to write over `current`; nothing when the mark stays.
std::optional<QChar> nextSentMark(QChar current, const SentMarkRules& rules);

// The mark a QSO had before its card took `current` by the rule (the
// primary mark, or the new one of an "old=new" entry): the mark a card that
// was not delivered gives back. A mark the rule does not give stays.
QChar previousSentMark(QChar current, const QString& rule);
