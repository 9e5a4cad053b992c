#pragma once
// What sender and receiver of a card mail agree on: the subject, the header
// that marks a card mail, the body with the card text lines, the card's file
// name and how it is read back, and the message text filed beside a card.

#include "logdata/qso_record.h"

#include <QString>
#include <QStringList>

#include <optional>

// The place-output choice of the main window (PCheck0 ... PCheck4).
enum class PlaceChoice { PlaceBox = 0, Remarks1Percent, Remarks2Percent, Remarks1, Remarks2 };

// The time printed on the card (the UtcCheck setting).
enum class CardTime { AsLogged = 0, ToUtc = 1, ToJst = 2 };

// The rig/antenna line chosen for a QSO: items No, Freq, Rig, Power, Ant,
// Height, Remarks, Location, Etc.
struct RigLine {
    QStringList items;
    QString item(int i) const { return items.value(i).trimmed(); }
};

struct CardTextSettings {
    QString ownCall;
    PlaceChoice place = PlaceChoice::Remarks1Percent;
    QString placeText;  // the place box
    QString reportRules = QStringLiteral("FT8,FT4,JT65=dB;CW=RST");
    CardTime time = CardTime::AsLogged;
    QString remark;            // the QSL remark box
    bool beginnerMode = true;  // no definition file
    bool resend = false;       // the card file exists already
    std::optional<RigLine> rig;
};

// The card of one send candidate (comma-text fields 0 ... 9 or 10).
struct CardText {
    QString subject;
    QString xMailer;    // the whole header line, "X-Mailer: ..."
    QString fileName;   // without a folder
    QStringList lines;  // the card text lines, empty slots removed
};

// "ZELKOV E-Mail QSL From:JA1ABC QSO-Date:2024/03/15" for field 3 "240315".
QString cardSubject(const QString& ownCall, const QString& yymmdd);
// "X-Mailer: ZELKOV E-Mail QSL, QSO-yymm:2403".
QString cardXMailer(const QString& yymmdd);
// "RST:", "dB:", or "RS:" when no rule names the mode.
QString reportLabel(const QString& rules, const QString& mode);
// The place text of slot 2.
QString placeTextFor(const QsoRecord& qso, PlaceChoice choice, const QString& placeBox);

// Composes subject, header, file name and card lines. nullopt when the person
// abandons the card at the question about an impossible date.
std::optional<CardText> composeCardText(const QStringList& candidate, const QsoRecord& qso,
                                        const CardTextSettings& settings);

// The mail body: the caption (with the user-list edition when known), the
// card lines, then the message memo (at most 300 lines) unless it is not sent.
QString cardMailBody(const QString& edition, const QStringList& lines, const QString& memo,
                     bool sendMemo);

// A card file name read back.
struct CardName {
    QString fromCall;
    QString yymmdd;
    QString hhmm;
    QString freq;  // "-" read back as "/"
    QString mode;
    QString toCall;
    bool valid = false;  // the name has all six fields
};
CardName parseCardFileName(const QString& fileName);
// Whether a file's name is that of a card `call` sent (its first field).
bool isCardSentBy(const QString& fileName, const QString& call);

// The message text filed beside a received card.
QString cardMessageText(const QString& subject, const QString& date, const QString& body);

// Whether a mail's X-Mailer value marks a card mail, and its QSO year and
// month (yymm, -1 when missing).
bool isCardMailer(const QString& xMailer);
int cardMailerYyMm(const QString& xMailer);
