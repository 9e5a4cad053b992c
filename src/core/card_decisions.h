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

class CardDecisionPort {
public:
    virtual ~CardDecisionPort() = default;
    // The card drawn for record `recno`, about to be mailed.
    virtual CardDecision decide(const QString& cardPath, int recno) = 0;
};

// The terminal. Without asking every card goes; asking, each card's file is
// named and the answer read from a line: s(end), n(ext: skip), a(ll),
// b(ack), q(uit: stop); Enter sends, the end of input stops.
class TerminalCardDecisions : public CardDecisionPort {
public:
    TerminalCardDecisions(std::istream& in, std::ostream& out, bool ask);
    CardDecision decide(const QString& cardPath, int recno) override;

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
    };
    CardDecision decide(const QString& cardPath, int recno) override;

    void answer(CardDecision decision) { answers_.push_back(decision); }
    const std::vector<Asked>& asked() const { return asked_; }

private:
    std::deque<CardDecision> answers_;
    std::vector<Asked> asked_;
};
