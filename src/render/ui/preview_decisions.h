#pragma once
// The card-decision port on the card preview: each card is shown in send
// mode and the button pressed is the decision.

#include "core/card_decisions.h"

class TForm3;

class PreviewCardDecisions : public CardDecisionPort {
public:
    explicit PreviewCardDecisions(TForm3& preview) : preview_(preview) {}
    CardDecision decide(const QString& cardPath, int recno, const CardPlace& place = {}) override;

private:
    TForm3& preview_;
};
