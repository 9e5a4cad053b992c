#pragma once
// Bitmap helpers of the card renderer.

#include <QColor>
#include <QImage>
#include <QRect>

#include <optional>

// Draws the whole source onto the whole destination, resampled with area
// averaging (the quality of a half-tone stretch) to the destination's size.
void StretchCopy(const QImage& source, QImage& dest);

// The level FadeRect uses: below 1 means 17, above 25 means 25.
int fadeLevel(int level);

// Lightens one rectangle of the bitmap towards light grey (0xC0C0C0): the
// picture is blended over grey with the constant alpha level x 10. Left and
// top are inclusive, right and bottom exclusive (QRect's right()+1), clipped
// to the bitmap; the rest stays as it was.
void FadeRect(QImage& bitmap, const QRect& rect, int level);

// Colours as settings and definitions write them: 0x00BBGGRR.
inline QColor colourOf(unsigned bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}
inline unsigned bgrOf(const QColor& c) {
    return unsigned(c.red()) | (unsigned(c.green()) << 8) | (unsigned(c.blue()) << 16);
}
// A colour setting that may name one of the system's colours (the high byte
// set, 0x80000005 the window's): nothing then, the colour otherwise.
inline std::optional<QColor> colourOfSetting(int value) {
    if ((unsigned(value) & 0xFF000000u) != 0) return std::nullopt;
    return colourOf(unsigned(value));
}
