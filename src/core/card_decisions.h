#pragma once
// What the person decides about a card a send batch is about to mail, as the
// preview's buttons answer: send it, stop the batch, skip it, send it and
// every later one without asking again, or go back to the card before. The
// desktop program shows the card preview, the command line sends every card
// (or asks on the terminal with --confirm), tests answer from a script.

#include <QString>

#include <deque>
#include <iosfwd>
#include <vector>

// The values are the preview buttons' own (their Tag).
enum class CardDecision { Send = 0, Stop = 1, Skip = 2, SendRest = 3, Back = 4 };

// Where a card stands in its batch, for the person's bearings.
struct CardPlace {
    int number = 0;       // 1 for the batch's first card; 0: not known
    int total = 0;        // the batch's cards
    bool sent = false;    // this batch mailed it already (reached again by "前へ")
    bool marked = false;  // its QSO carries a sent mark already (an earlier card)
};

class CardDecisionPort {
public:
    virtual ~CardDecisionPort() = default;
    // The card drawn for record `recno`, about to be mailed.
    virtual CardDecision decide(const QString& cardPath, int recno,
                                const CardPlace& place = {}) = 0;
};

// "3／24枚目", with "（送信済み）" for a card the batch mailed already and
// "（発行済み）" for a QSO marked before; empty when the place is not known.
QString cardPlaceText(const CardPlace& place);

// The terminal. Without asking every card goes; asking, each card's file is
// named and the answer read from a line: s(end), n(ext: skip), a(ll),
// b(ack), q(uit: stop); Enter sends, the end of input stops.
class TerminalCardDecisions : public CardDecisionPort {
public:
    TerminalCardDecisions(std::istream& in, std::ostream& out, bool ask);
    CardDecision decide(const QString& cardPath, int recno, const CardPlace& place = {}) override;

private:
    std::istream& in_;
    std::ostream& out_;
    bool ask_;
};

// Records each card asked about and answers from a script; with the script
// used up it answers Send.
class ScriptedCardDecisions : public CardDecisionPort {
public:
    struct Asked {
        QString cardPath;
        int recno = 0;
        CardPlace place;
    };
    CardDecision decide(const QString& cardPath, int recno, const CardPlace& place = {}) override;

    void answer(CardDecision decision) { answers_.push_back(decision); }
    const std::vector<Asked>& asked() const { return asked_; }

private:
    std::deque<CardDecision> answers_;
    std::vector<Asked> asked_;
};
