#pragma once
// The card picture of one QSO: in beginner mode the user's photo reshaped to
// a standard card size with the card's text lines over its lower part and
// the own call sign and a name at the places dragged on the preview; in
// expert mode whatever the QSL definition draws. The result is a JPEG in the
// temporary folder.

#include "mail/qsl_mail_format.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QslDefinition;
struct MainState;
struct EnvironmentSettings;

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

// What a beginner card is drawn with.
struct BeginnerCard {
    QString photoPath;
    int sizeSetting = 0;  // JpSize: 0 1024x652, 1 800x510, 2 640x408, 3 528x336, 4 as it is
    int textArea = 0;     // 0 filled, 1 transparent, 2 faded
    int alpha = 17;
    unsigned background = 0xFFFFFF;  // 0x00BBGGRR
    QString fontName = QStringLiteral("ＭＳ Ｐ明朝");
    unsigned fontColour = 0xFF0000;
    int fontStyle = 1;
    bool drawCall = true;
    bool drawName = true;
    QString callFontName = QStringLiteral("ＭＳ ゴシック");
    unsigned callColour = 255;
    int callSize = 72;
    int callStyle = 1;
    unsigned nameColour = 255;
    QPoint callBox;
    QPoint nameBox;
    QSize previewSize{528, 336};
    QString ownCall;
    QString portable;  // after "Call/"
    QString nameText;  // "<BR>" breaks it
};

// A failed composition: the step code and its message.
struct CardFailure {
    int code = 0;
    QString message;  // "No%d 電子QSL画像処理失敗（%s）"...
};

// Draws a beginner card. `qslField` decides "PSE QSL" or "QSL TNX".
std::optional<QImage> drawBeginnerCard(const BeginnerCard& card, const QStringList& lines,
                                       const QString& qslField, CardFailure& failure);

// The failure message of a code (and the picture's size for 10 and 11).
QString cardFailureMessage(int code, QSize size = QSize());

// Writes the card and checks its size (width + height within 864 ... 1676).
// The path on success; nothing after the failure message (a too small or too
// big card has been written all the same).
std::optional<QString> saveCard(const QImage& card, const QString& path, CardFailure& failure);

// ComposeCard as the send batch and the sample card use it.
class CardComposer {
public:
    CardComposer(MainState& state, const EnvironmentSettings& environment,
                 QslDefinition& definition);

    // The folder the card JPEGs are written to (the temporary folder).
    QString outputDir;
    // Asks for the rig/antenna line of a QSO when "送信時Rig/Ant確認あり" is
    // on; nothing when the person cancels.
    std::function<std::optional<QString>(const QsoRecord&)> chooseRig;
    // A path of an already sent card, used instead of drawing (re-sending).
    QString preparedCard;

    struct Result {
        QString path = QStringLiteral("-");  // "-": no card
        std::optional<CardText> text;
        QImage card;
        CardFailure failure;
    };
    // The card of a send-list line (item 1 is the record number).
    Result ComposeCard(const QString& sendLine);
    Result ComposeCard(const QStringList& candidate);

    BeginnerCard beginnerSettings() const;

private:
    MainState& state_;
    const EnvironmentSettings& environment_;
    QslDefinition& definition_;
};
