#pragma once
// The beginner card's look (Config and CallFont keys): the text area's fill
// colour and translucency, the text font and colour, the own call's font and
// colour, the name's colour, and where the call and name boxes were dragged
// on the 528x336 preview. The main window edits it; the card drawing reads it.

#include <QPoint>
#include <QString>

class TZkwIni;

struct DrawingSettings {
    unsigned backgroundColour = 0xFFFFFF;  // BakClor, 0x00BBGGRR
    unsigned fontColour = 0xFF0000;        // FontColor: colour, style
    int fontStyle = 1;                     // bit 0 bold, 1 italic, 2 underline, 3 strike out
    QString fontName = QStringLiteral("ＭＳ Ｐ明朝");
    QString callFontName = QStringLiteral("ＭＳ ゴシック");
    unsigned callColour = 255;
    int callSize = 72;
    int callStyle = 1;
    unsigned nameColour = 255;  // CallFont/Color2
    int alpha = 17;             // 1 ... 25
    QPoint callBox;             // CallXY: the call box's left, top; the name box's left, top
    QPoint nameBox;

    // The boxes stay on the preview, as dragging them keeps them.
    static QPoint keptCallBox(QPoint at);
    static QPoint keptNameBox(QPoint at);

    void load(const TZkwIni& settings);
    // What the main window writes when it closes: BakClor, Alpha, CallXY.
    void save(TZkwIni& settings) const;
    // What the font and colour buttons write at once.
    void saveTextFont(TZkwIni& settings) const;
    void saveCallFont(TZkwIni& settings) const;
    void saveCallColour(TZkwIni& settings) const;
    void saveNameColour(TZkwIni& settings) const;
    // Back to the built-in call font (the CallFont section erased).
    void resetCallFont(TZkwIni& settings);
};
