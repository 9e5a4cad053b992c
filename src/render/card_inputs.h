#pragma once
// What a card is drawn from, and nothing more: where the log is, the card's
// texts, the photo and look of the beginner card, the definition of the
// expert card, and the rig/antenna lines. The caller fills it from its own
// state when the drawing starts.

#include "mail/qsl_mail_format.h"
#include "settings/card_style.h"

#include <QString>
#include <QStringList>

struct CardInputs {
    QString qsoData;     // the log's master file
    QString programDir;  // relative paths of a definition

    // The card's texts.
    QString ownCall;
    PlaceChoice placeOutput = PlaceChoice::Remarks1Percent;
    QString placeText;
    QString remarkText;
    QString reportRules = QStringLiteral("FT8,FT4,JT65=dB;CW=RST");
    CardTime cardTime = CardTime::AsLogged;
    QString messageText;  // the memo: the mail text, and the rig line's fallback
    QStringList rigLines;
    bool confirmRig = false;  // "送信時Rig/Ant確認あり"

    // The beginner card.
    QString photoPath;
    int sizeSetting = 0;  // JpSize: 0 1024x652, 1 800x510, 2 640x408, 3 528x336, 4 as it is
    int textArea = 0;     // 0 filled, 1 transparent, 2 faded
    bool drawCall = true;
    bool drawName = true;
    DrawingSettings look;
    QString portable;  // after "Call/"
    QString nameText;  // "<BR>" breaks it

    // The expert card.
    bool expertMode = false;
    QString definitionPath;
};
