#include "render/card_pictures.h"

#include "core/bitmap_ops.h"
#include "render/definition_operands.h"
#include "render/jpeg_io.h"
#include "render/qsl_definition.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

QImage definitionPreview(const QString& definitionPath) {
    QStringList lines;
    if (!QslDefinition::readLines(definitionPath, lines)) return {};
    for (const QString& raw : std::as_const(lines)) {
        const QString line = normalizedLine(raw);
        if (!line.startsWith(u"#Jpg", Qt::CaseInsensitive)) continue;
        const qsizetype first = line.indexOf(u'"');
        const qsizetype last = line.lastIndexOf(u'"');
        if (first < 0 || last <= first) continue;
        const auto found =
            locateDefinitionFile(line.mid(first + 1, last - first - 1), definitionPath, QString());
        if (!found || !QFileInfo(*found).isFile()) continue;
        const QString& name = *found;
        const JpegReadResult read = readJpeg(name, QSize(528, 336));
        if (!read.ok()) continue;
        // The card's proportion cut from the top-left: a wider picture loses
        // its right part, a taller one its bottom.
        const QImage& p = read.image;
        if (qint64(p.width()) * 336 >= qint64(p.height()) * 528)
            return p.copy(0, 0, int(qint64(p.height()) * 528000 / 336000), p.height());
        return p.copy(0, 0, p.width(), int(qint64(p.width()) * 336000 / 528000));
    }
    return {};
}

ResizeResult writeResizedPhoto(const QString& photoPath, QSize target, const QString& path) {
    JpegInfo info;
    if (!readJpegInfo(photoPath, info)) return ResizeResult::Unreadable;
    const QSize photo = info.uprightSize();
    const double proportion = double(target.width()) / target.height();
    const QRect crop =
        double(photo.width()) / photo.height() <= proportion
            ? QRect(0, 0, photo.width(), int(std::nearbyint(photo.width() / proportion)))
            : QRect(0, 0, int(std::nearbyint(photo.height() * proportion)), photo.height());
    const JpegReadResult read = readJpeg(photoPath, target, crop);
    if (!read.ok()) return ResizeResult::Unreadable;
    QImage card(target, QImage::Format_RGB32);
    StretchCopy(read.image, card);
    QString error;
    return writeJpeg(card, path, 90, &error) ? ResizeResult::Written : ResizeResult::Unwritable;
}
