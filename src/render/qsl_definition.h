#pragma once
// The QSL definition language: a small line-oriented script that draws the
// card of one QSO (size and background, photos and bitmaps, lines, boxes and
// ellipses, text with the QSO's values, a QR code), with conditions, jumps,
// loops and variables. One object holds the interpreter's state for the whole
// run of the program; RunDefinition draws onto the card (card mode) or the
// editor's preview.

#include "render/card_findings.h"
#include "render/definition_operands.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPen>
#include <QString>
#include <QStringList>

#include <QDate>

#include <array>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

struct QsoRecord;
class QrModule;
class QTemporaryDir;
class QPainter;

// A card is at most 1,675 dots either way: positions and sizes beyond
// kMaxReach cannot show on it, and a picture is scaled to at most
// kMaxPictureSide dots a side (64 MB); one drawn at its own size may have
// at most kMaxOwnSizePixels.
inline constexpr int kMaxReach = 16384;
inline constexpr int kMaxPictureSide = 4096;
inline constexpr qint64 kMaxOwnSizePixels = 40'000'000;

// What a run reads besides the QSO record.
struct DefinitionContext {
    QString ownCall;                        // !Ca
    QString placeText;                      // !LC: the place box
    QString remarkText;                     // !Co: the QSL remark box
    QString messageBody;                    // !Bo: the message memo, lines joined with CR
    const QStringList* rigLines = nullptr;  // the rig/antenna line list
    QString definitionFile;  // full path: relative picture names are looked up beside it
    QString programDir;      // relative #Load names
    QString tempDir;         // the QR bitmap (a private folder when empty)
    QDate today;             // the print date of the log's codes (today when null)
};

// The font, pen and brush of a drawing surface; kept from run to run.
struct CanvasState {
    QFont font;
    quint32 fontColour = 0;  // 0x00BBGGRR
    QPen pen{QColor(Qt::black), 0};
    QColor brushColour{Qt::white};
};

// A file a definition names, written here or on Windows ("sub\\bg.jpg",
// "C:\\Zelkov\\bg.jpg"): pictures are looked for beside the definition first,
// #Load files in the program folder first.
std::optional<QString> locateDefinitionFile(const QString& name, const QString& definitionFile,
                                            const QString& programDir, bool programFirst = false);

class QslDefinition {
public:
    explicit QslDefinition(QrModule* qr = nullptr);
    ~QslDefinition();
    // The QR-code module it draws with (the program's one), for another
    // interpreter of the same run.
    QrModule* qrModule() const { return qr_; }
    QslDefinition(const QslDefinition&) = delete;
    QslDefinition& operator=(const QslDefinition&) = delete;

    // SetQsoDataRefs: Data1 ... Data14 read this record (it may be changed by
    // #Jst2Utc and #Utc2Jst).
    void SetQsoDataRefs(QsoRecord* qso) { qso_ = qso; }
    DefinitionContext context;
    // The time one card may take to draw; a definition that takes longer
    // (loops of big pictures) ends with an error naming the line it was at.
    int drawingBudgetMs = 30000;
    // Asked about every tenth of a second of drawing: false stops the run
    // quietly (the person stopped it). It may let the window breathe.
    std::function<bool()> goOn;
    // How the last run ended when it failed: stopped by goOn, or over the
    // drawing budget.
    bool stopped() const { return stopped_; }
    bool ranOutOfTime() const { return ranOutOfTime_; }
    QStringList lines;  // the program lines

    // 0 when the run ended normally, -1 when an error stopped it (the message
    // has been shown).
    int RunDefinition(bool cardMode);

    QImage& card() { return card_; }        // 640 x 408 until a #Size
    QImage& preview() { return preview_; }  // the editor's preview image
    // The sent-mark string of #Mark (up to 6 characters; "\x1F": no marking).
    QString sentMark() const { return sentMark_; }
    // What the last card run drew past the card's edge or out of a box, and
    // the fields it printed empty.
    const CardFindings& findings() const { return findings_; }
    // The 1-based line of the last error, 0 when none (for the editor).
    int errorLine() const { return errorLine_; }
    // The preview's scroll range after a #Size (W + 16, H + 16).
    // The font the preview draws with now (the editor's font picker starts there).
    QFont previewFont() const { return previewCanvas_.font; }
    quint32 previewFontColour() const { return previewCanvas_.fontColour; }  // 0x00BBGGRR

    // The variables as the last run left them.
    const std::array<QString, 20>& stringVariables() const { return strings_; }
    const IntegerVariables& integerVariables() const { return integers_; }

    // Reads a definition file (CP932, or UTF-8 when it is) into lines.
    static bool readLines(const QString& path, QStringList& lines);
    // Whether any line is a command that draws (text, lines, shapes, images,
    // a QR code, #Size, or #Load of another file): a file without one is no
    // card definition and would give a blank card.
    static bool hasDrawingCommand(const QStringList& lines);

private:
    enum class Step { Next, Jumped, EndFile, Error };

    Step runCommand(const QString& line);
    Step runCondition(const QString& line);
    Step skipFalseCondition();
    bool returnFromLoad();

    // Operands and errors.
    QString expand(const QString& text);
    std::optional<QString> quoted(const QString& line);
    Step parameterError(const QString& commandText);
    // `why`: a reason said after the message, when there is one to say.
    Step unusable(const QString& line, const QString& why = {});
    Step fileMissing(const QString& path);
    // A picture file that is there but cannot be drawn.
    Step pictureUnreadable(const QString& path, const QString& why);
    // Positions and sizes beyond what any card can use, and pictures beyond
    // what may be drawn, are refused rather than tried.
    static bool withinReach(std::initializer_list<qint64> values);
    Step outOfReach(const QString& commandText);
    void reportAt(const QString& text, const QString& caption);
    qint32 number(const QStringList& items, int i) const;

    // Commands.
    Step substr(const QString& line, const QStringList& items);
    Step print(const QString& body, const QStringList& items);
    static bool startsWithStyle(QStringView text, QStringView word);
    Step fontCommand(const QString& body, const QString& line, const QStringList& items);
    Step lineCommand(const QString& body, const QStringList& items);
    Step fillBox(const QString& body, const QStringList& items);
    Step ellipse(const QString& body, const QStringList& items);
    Step alpha(const QString& body, const QStringList& items);
    Step image(const QString& body, const QString& line, const QStringList& items, bool jpeg);
    Step drawImageFile(const QString& body, const QStringList& items, const QString& file,
                       bool jpeg);
    Step size(const QString& body, const QString& line, const QStringList& items);
    Step load(const QString& line);
    Step text(const QString& body, const QStringList& items);
    Step jump(const QString& body, const QString& line);
    Step move(const QString& line);
    Step endLoop(const QString& line);
    Step rig(const QString& body);
    Step qrCode(const QString& body, const QString& line, const QStringList& items);

    // Drawing.
    QImage& surface() { return cardMode_ ? card_ : preview_; }
    CanvasState& canvas() { return cardMode_ ? cardCanvas_ : previewCanvas_; }
    void setUpPainter(QPainter& painter);
    void drawText(QPainter& painter, int x, int y, const QString& text);
    // Notes a text drawn past the card's edge, and the codes of `raw` that
    // printed nothing beside the rest of what it `printed` (card mode only).
    void noteOverflow(const QPainter& painter, const QRect& drawn, const QString& text);
    void noteEmptyCodes(const QString& raw, const QString& printed);
    int textWidth(const QString& text);
    int textHeight(const QString& text);

    // Conditions.
    bool occurs(const QString& haystack, const QString& needle) const;
    QString dataField(int n) const;
    QString rigItem(int item);

    // Where the QR bitmap is made when the context names no folder: a
    // private folder of this interpreter's (mode 0700), made when needed.
    QString workFolder();
    // locateDefinitionFile with this run's definition and program folder.
    std::optional<QString> locateFile(const QString& name, bool programFirst = false) const;

    QrModule* qr_;
    std::unique_ptr<QTemporaryDir> work_;
    QsoRecord* qso_ = nullptr;
    QImage card_;
    QImage preview_;
    CanvasState cardCanvas_;
    CanvasState previewCanvas_;

    // Reset at every run.
    bool cardMode_ = true;
    std::array<QString, 20> strings_;
    IntegerVariables integers_{};
    int rigSelection_ = 0;
    QString sentMark_;
    QStringList savedLines_;
    int index_ = 0;
    int result_ = 0;
    int wrapWidth_ = 336;
    int printEnd_ = 0;
    CardFindings findings_;
    int loopStart_ = 0;
    int loopCount_ = 0;
    QRect fadeRect_;
    // The pictures this run decoded, kept for drawing them again (a logo in
    // a loop): the file as it was read, how it was read, what it gave.
    struct DecodedPicture {
        QString path;
        bool jpeg = false;
        QSize cover;
        qint64 bytes = 0;
        qint64 modified = 0;
        QImage image;
        QSize full;
    };
    std::vector<DecodedPicture> decoded_;
    int fadeLevel_ = 0;
    int parentIndex_ = 0;
    int parentRig_ = 0;
    int errorLine_ = 0;
    bool stopped_ = false;
    bool ranOutOfTime_ = false;
};
