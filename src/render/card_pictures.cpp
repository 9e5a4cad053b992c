#include "render/card_pictures.h"

#include "core/bitmap_ops.h"
#include "render/card_composer.h"
#include "render/definition_operands.h"
#include "render/jpeg_io.h"
#include "render/qsl_definition.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

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

QImage photoPreview(const QString& photoPath, int sizeSetting, QSize* sizeOut) {
    QImageReader reader(photoPath);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (sizeOut) *sizeOut = size;
    if (size.isValid() && size.width() > 1056)
        reader.setScaledSize(
            size.scaled(1056, 1056 * size.height() / size.width(), Qt::KeepAspectRatio));
    QImage picture = reader.read();
    if (!size.isValid() || picture.isNull()) return picture;
    // The card keeps the photo's top-left part only: the preview shows that
    // part, as the card will.
    const QSize upright = (picture.width() >= picture.height()) == (size.width() >= size.height())
                              ? size
                              : size.transposed();
    const QRect crop = cardGeometry(upright, sizeSetting).crop;
    const double scale = double(picture.width()) / upright.width();
    return picture.copy(0, 0, std::max(1, int(std::lround(crop.width() * scale))),
                        std::max(1, int(std::lround(crop.height() * scale))));
}
