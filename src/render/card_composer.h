#pragma once
// The card picture of one QSO: in beginner mode the user's photo reshaped to
// a standard card size with the card's text lines over its lower part and
// the own call sign and a name at the places dragged on the preview; in
// expert mode whatever the QSL definition draws. The result is a JPEG in the
// temporary folder.

#include "mail/qsl_mail_format.h"
#include "render/card_findings.h"
#include "render/card_inputs.h"

#include <QDateTime>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class QslDefinition;
class QTemporaryDir;

// The card size of a photo: the first row of the table that holds.
struct CardGeometry {
    QSize card;             // the card's size
    double proportion = 0;  // 0: the photo keeps its shape
    QRect crop;             // the part of the photo used, from the top-left
    int textTop = 0;
    int startSize = 0;  // points
    int leftMargin = 0;
};
CardGeometry cardGeometry(QSize photo, int sizeSetting);

// A failed composition: the step code and its message.
struct CardFailure {
    int code = 0;
    QString message;  // "No%d 電子QSL画像処理失敗（%s）"...
};

// The photo as a card's background, kept across the cards of a batch: the
// photo is decoded once, not once a card. A changed file (or size setting)
// is read again.
struct CardBackground {
    QString path;
    QDateTime modified;
    qint64 bytes = -1;
    int sizeSetting = -1;
    CardGeometry geometry;
    QImage picture;
};

// Draws a beginner card from the inputs' photo and look. `qslField` decides
// "PSE QSL" or "QSL TNX". With `background`, the photo comes from it when it
// is the same file.
std::optional<QImage> drawBeginnerCard(const CardInputs& card, const QStringList& lines,
                                       const QString& qslField, CardFailure& failure,
                                       CardBackground* background = nullptr,
                                       CardFindings* findings = nullptr);

// The failure message of a code (and the picture's size for 10 and 11).
QString cardFailureMessage(int code, QSize size = QSize());

// Writes the card, with `comment` (the QSO's record) inside, and checks its
// size (width + height within 864 ... 1676).
// The path on success; nothing after the failure message (a too small or too
// big card has been written all the same).
std::optional<QString> saveCard(const QImage& card, const QString& path, CardFailure& failure,
                                const QByteArray& comment = {});

// ComposeCard as the send batch and the sample card use it.
class CardComposer {
public:
    CardComposer(CardInputs inputs, QslDefinition& definition);
    ~CardComposer();
    CardComposer(const CardComposer&) = delete;
    CardComposer& operator=(const CardComposer&) = delete;

    // What the cards are drawn from.
    CardInputs inputs;

    // The folder the card JPEGs are written to: a private temporary folder
    // that goes with the composer, unless the caller names another.
    QString outputDir;
    // Asks for the rig/antenna line of a QSO when "送信時Rig/Ant確認あり" is
    // on; nothing when the person cancels.
    std::function<std::optional<QString>(const QsoRecord&)> chooseRig;
    // A path of an already sent card, used instead of drawing (re-sending).
    QString preparedCard;
    // A card this composer drew already for the record is used again rather
    // than drawn anew (the inputs stay as they were; a rig asked for draws
    // anew): a batch mails the very pictures it looked over.
    bool reuseDrawn = false;
    // Asked while a definition draws (see QslDefinition::goOn).
    std::function<bool()> goOn;

    struct Result {
        QString path = QStringLiteral("-");  // "-": no card
        std::optional<CardText> text;
        QImage card;
        CardFailure failure;
        CardFindings findings;  // what the drawing noticed
        QString sentMark;       // a definition's #Mark for this card
        bool stopped = false;   // the person stopped the drawing: nothing said
        bool tooSlow = false;   // the definition ran over its drawing time
    };
    // The card of a send-list line (item 1 is the record number).
    Result ComposeCard(const QString& sendLine);
    Result ComposeCard(const QStringList& candidate);

private:
    std::unique_ptr<QTemporaryDir> work_;
    CardBackground background_;
    // The cards drawn so far, by record.
    struct Drawn {
        QString path;
        QString sentMark;
        CardFindings findings;
    };
    std::map<int, Drawn> drawn_;
    QslDefinition& definition_;
};
