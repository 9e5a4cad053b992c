#include "core/bitmap_ops.h"

#include <algorithm>

void StretchCopy(const QImage& source, QImage& dest) {
    if (source.isNull() || dest.isNull()) return;
    const QImage::Format format = dest.format();
    QImage scaled = source.size() == dest.size() ? source
                                                 : source.scaled(dest.size(), Qt::IgnoreAspectRatio,
                                                                 Qt::SmoothTransformation);
    dest = scaled.format() == format ? std::move(scaled) : scaled.convertToFormat(format);
}

int fadeLevel(int level) {
    if (level < 1) return 17;
    return std::min(level, 25);
}

void FadeRect(QImage& bitmap, const QRect& rect, int level) {
    if (bitmap.isNull()) return;
    if (bitmap.format() != QImage::Format_RGB32 && bitmap.format() != QImage::Format_ARGB32)
        bitmap = bitmap.convertToFormat(QImage::Format_RGB32);
    const QRect area = rect.intersected(bitmap.rect());
    if (area.isEmpty()) return;
    const int alpha = fadeLevel(level) * 10;
    const int rest = 255 - alpha;
    constexpr int grey = 0xC0;
    const int greyPart = grey * rest;
    auto blend = [&](int c) { return (c * alpha + greyPart + 127) / 255; };
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(bitmap.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = line[x];
            line[x] = qRgba(blend(qRed(p)), blend(qGreen(p)), blend(qBlue(p)), qAlpha(p));
        }
    }
}
