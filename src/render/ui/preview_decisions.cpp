#include "render/ui/preview_decisions.h"

#include "render/ui/view_bmp.h"

CardDecision PreviewCardDecisions::decide(const QString& cardPath, int recno,
                                          const CardPlace& place) {
    switch (preview_.ShowCardPreview(cardPath, true, recno, place)) {
        case TForm3::Send: return CardDecision::Send;
        case TForm3::Next: return CardDecision::Skip;
        case TForm3::SendAll: return CardDecision::SendRest;
        case TForm3::Cancel: return CardDecision::Stop;
        default:  // any other answer goes back, as the batch reads it
            return CardDecision::Back;
    }
}
