// The drawing commands of the definition language: text in its variants,
// fonts, lines and boxes, ellipses, pictures, the card size, text blocks and
// the QR code.

#include "core/app_info.h"
#include "core/bitmap_ops.h"
#include "core/japanese_fonts.h"
#include "core/mklink.h"
#include "core/msg_box.h"
#include "core/sjis.h"
#include "core/zk_dll5.h"
#include "render/jpeg_io.h"
#include "render/qr_module.h"
#include "render/qsl_definition.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImageReader>
#include <QPainter>

#include <algorithm>

namespace {

constexpr qint32 kNoNumber32 = 268435455;

// The size of a picture file as it will be drawn (JPEG upright); empty when
// it cannot be read.
QSize pictureSize(const QString& path, bool jpeg, QString* why) {
    if (jpeg) {
        JpegInfo info;
        return readJpegInfo(path, info, why) ? info.uprightSize() : QSize();
    }
    const QSize size = QImageReader(path, "BMP").size();
    if (!size.isValid()) *why = QStringLiteral("BMP画像として読めません");
    return size;
}

// The Greek letter phi (CP932 0x83 0xD3) stands for a slashed zero.
bool isPhi(const QString& text) {
    return text == QStringLiteral("φ");
}

// The length in UTF-16 units of the first and the last whole character: a
// character outside the Basic Multilingual Plane is a surrogate pair.
qsizetype firstCharLength(QStringView text) {
    return text.size() >= 2 && text[0].isHighSurrogate() && text[1].isLowSurrogate() ? 2 : 1;
}

qsizetype lastCharLength(QStringView text) {
    const qsizetype n = text.size();
    return n >= 2 && text[n - 1].isLowSurrogate() && text[n - 2].isHighSurrogate() ? 2 : 1;
}

}  // namespace

void QslDefinition::setUpPainter(QPainter& painter) {
    const CanvasState& c = canvas();
    painter.setFont(c.font);
    painter.setPen(colourOf(c.fontColour));
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setRenderHint(QPainter::TextAntialiasing);
}

int QslDefinition::textWidth(const QString& text) {
    return QFontMetrics(canvas().font, &surface()).horizontalAdvance(text);
}

int QslDefinition::textHeight(const QString&) {
    return QFontMetrics(canvas().font, &surface()).height();
}

// Text is placed by the top-left corner of its cell.
void QslDefinition::drawText(QPainter& painter, int x, int y, const QString& text) {
    const QFontMetrics metrics(painter.font(), &surface());
    if (isPhi(text)) {
        painter.drawText(x, y + metrics.ascent(), QStringLiteral("０"));
        painter.drawText(x, y + metrics.ascent(), QStringLiteral("／"));
        return;
    }
    painter.drawText(x, y + metrics.ascent(), text);
    noteOverflow(painter, QRect(x, y, metrics.horizontalAdvance(text), metrics.height()), text);
}

void QslDefinition::noteOverflow(const QPainter& painter, const QRect& drawn, const QString& text) {
    if (!cardMode_ || text.trimmed().isEmpty()) return;
    const QRect on = painter.transform().mapRect(drawn);
    const QRect card = surface().rect();
    // A pixel or two of a descent past the edge is nobody's loss.
    constexpr int kSlack = 2;
    QString edge;
    if (on.right() > card.right() + kSlack)
        edge = QStringLiteral("右端");
    else if (on.bottom() > card.bottom() + kSlack)
        edge = QStringLiteral("下端");
    else if (on.left() < -kSlack)
        edge = QStringLiteral("左端");
    else if (on.top() < -kSlack)
        edge = QStringLiteral("上端");
    if (edge.isEmpty()) return;
    const QString finding =
        QStringLiteral("「%1」がカードの%2からはみ出します").arg(findingText(text), edge);
    if (!findings_.overflows.contains(finding)) findings_.overflows << finding;
}

namespace {

// The codes of the log and of the settings that print a field of their own,
// as a person knows the field.
struct FieldCode {
    char16_t first;
    char16_t second;
    const char16_t* name;
};
constexpr FieldCode kFieldCodes[] = {
    {u'Q', u'T', u"QTH"},      {u'N', u'A', u"名前"},   {u'G', u'L', u"グリッド"},
    {u'J', u'C', u"JCC/JCG"},  {u'H', u'R', u"RST"},    {u'M', u'D', u"モード"},
    {u'F', u'R', u"周波数"},   {u'F', u'3', u"周波数"}, {u'F', u'4', u"周波数"},
    {u'F', u'5', u"周波数"},   {u'F', u'6', u"バンド"}, {u'R', u'1', u"Remarks1"},
    {u'R', u'2', u"Remarks2"}, {u'R', u'G', u"リグ"},   {u'P', u'w', u"出力"},
    {u'A', u'N', u"アンテナ"}, {u'L', u'C', u"運用地"}, {u'C', u'o', u"QSLコメント"},
};

}  // namespace

void QslDefinition::noteEmptyCodes(const QString& raw, const QString& printed) {
    // A text that prints nothing at all leaves no gap a reader sees.
    if (!cardMode_ || !qso_ || printed.trimmed().isEmpty()) return;
    for (qsizetype i = 0; i + 2 < raw.size(); ++i) {
        if (raw[i] != u'!') continue;
        for (const FieldCode& field : kFieldCodes) {
            if (raw[i + 1] != QChar(field.first) || raw[i + 2] != QChar(field.second)) continue;
            const QString name = QString::fromUtf16(field.name);
            const QString code = raw.mid(i, 3);
            if (!findings_.emptyFields.contains(name) && expand(code).trimmed().isEmpty())
                findings_.emptyFields << name;
            break;
        }
    }
}

QslDefinition::Step QslDefinition::print(const QString& body, const QStringList& items) {
    const QChar variant = body.size() > 5 ? body[5].toUpper() : QChar();
    const bool numbered = variant == u'C' || variant == u'K' || variant == u'L' || variant == u'A';
    if (items.size() < (numbered ? 4 : 3)) return parameterError(body);
    const QString& raw = numbered || items.size() >= 4 ? items[3] : items[2];
    const QString text = expand(raw);
    noteEmptyCodes(raw, text);
    int x = number(items, 0);
    int y = number(items, 1);
    if (!withinReach({x, y, numbered ? number(items, 2) : 0})) return outOfReach(body);
    QPainter painter(&surface());
    setUpPainter(painter);
    switch (variant.unicode()) {
        case u'R': drawText(painter, x - textWidth(text), y, text); break;
        case u'C': {
            const int w = number(items, 2) & 0x7FFF;
            const int width = textWidth(text) & 0x7FFF;
            if (width < w) x += (w - width) / 2;
            if (cardMode_ && width > w + 2 && w > 0)
                findings_.overflows << QStringLiteral("「%1」が幅%2の枠に収まりません")
                                           .arg(findingText(text))
                                           .arg(w);
            drawText(painter, x, y, text);
            break;
        }
        case u'K': {
            const int w = number(items, 2) & 0x7FFF;
            const QString kept = sjis::leftBytes(text, 511);
            const qsizetype bytes = std::max<qsizetype>(1, sjis::byteLength(kept));
            const int advance = int(w / bytes);
            const QFontMetrics metrics(painter.font(), &surface());
            qsizetype at = 0;
            for (qsizetype i = 0; i < kept.size(); ++i) {
                const qsizetype width = kept[i].isHighSurrogate() ? 2 : 1;
                const QString ch = kept.mid(i, width);
                painter.drawText(x + int(at) * advance, y + metrics.ascent(), ch);
                at += sjis::byteLength(ch);
                i += width - 1;
            }
            break;
        }
        case u'L': {
            int angle = number(items, 2);
            if (angle < 1 || angle > 360) angle = 0;
            QFont rotated = canvas().font;
            const double pointSize = rotated.pointSizeF() > 0 ? rotated.pointSizeF() : 10;
            rotated.setPixelSize(cardMode_ ? int(pointSize * surface().logicalDpiY() / 72)
                                           : int(pointSize * 135 / 100));
            painter.setFont(rotated);
            painter.translate(x, y);
            painter.rotate(-angle);
            drawText(painter, 0, 0, text);
            break;
        }
        case u'A': {
            const int gap = number(items, 2);
            wrapWidth_ -= x;
            const int lineHeight = textHeight(text) + gap;
            QString rest = text;
            // Lines broken at "<BR>", then at the wrap width (a character
            // as a whole; at least one character a line, so that every line
            // takes something off the rest).
            while (!rest.isEmpty()) {
                const qsizetype br = rest.indexOf(QStringLiteral("<BR>"));
                QString piece = br >= 0 ? rest.left(br) : rest;
                QString head = piece;
                const qsizetype least = firstCharLength(piece);
                while (head.size() > least && textWidth(head) > wrapWidth_)
                    head.chop(lastCharLength(head));
                drawText(painter, x, y, head);
                y += lineHeight;
                if (y > kMaxReach) break;  // below every card: nothing more shows
                if (head.size() < piece.size())
                    rest = sjis::leftBytes(piece.mid(head.size()), 500) +
                           (br >= 0 ? rest.mid(br) : QString());
                else
                    rest = br >= 0 ? rest.mid(br + 4) : QString();
            }
            break;
        }
        default:
            if (x < -999) x = printEnd_;
            printEnd_ = x + textWidth(text);
            drawText(painter, x, y, text);
            break;
    }
    return Step::Next;
}

QslDefinition::Step QslDefinition::fontCommand(const QString& body, const QString& rawLine,
                                               const QStringList& items) {
    CanvasState& c = canvas();
    const QString rest = body.mid(4);
    auto styleOperand = [&](qint32& out) {
        out = ParseNumberOrHex(items.value(0).mid(items.value(0).indexOf(u'=') + 1));
        return out != kNoNumber32;
    };
    qint32 value = 0;
    if (startsWithStyle(rest, u"Style")) {
        if (!styleOperand(value)) return parameterError(body);
        setFontStyleBits(c.font, value);
    } else if (startsWithStyle(rest, u"Color")) {
        if (!styleOperand(value)) return parameterError(body);
        c.fontColour = quint32(value);
    } else if (startsWithStyle(rest, u"Size")) {
        if (!styleOperand(value)) return parameterError(body);
        c.font.setPointSize(std::clamp(value, 1, 1000));
    } else if (startsWithStyle(rest, u"Name")) {
        const auto face = quoted(normalizedLine(rawLine));
        if (!face) return Step::Error;
        c.font.setFamily(*face);
    } else {
        return unusable(rawLine);
    }
    return Step::Next;
}

bool QslDefinition::startsWithStyle(QStringView text, QStringView word) {
    return text.startsWith(word, Qt::CaseInsensitive);
}

QslDefinition::Step QslDefinition::lineCommand(const QString& body, const QStringList& items) {
    const QChar variant = body.size() > 4 ? body[4].toUpper() : QChar();
    CanvasState& c = canvas();
    if (variant == u'S') {
        if (items.size() < 3) return parameterError(body);
        const qint32 width = number(items, 0);
        const qint32 style = number(items, 1);
        if (!withinReach({width})) return outOfReach(body);
        const qint32 colour = ParseNumberOrHex(items[2]);
        if (colour == kNoNumber32) return parameterError(body);
        QPen pen(colourOf(quint32(colour)));
        pen.setWidth(width >= 0 ? width * 20 / 30 : -width);
        static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine,
                                              Qt::DashDotLine, Qt::DashDotDotLine};
        pen.setStyle(style >= 0 && style <= 4 ? styles[style] : Qt::SolidLine);
        c.pen = pen;
        return Step::Next;
    }
    const bool shortForm = variant == u'X' || variant == u'Y';
    if (items.size() < (shortForm ? 3 : 4)) return parameterError(body);
    int values[6] = {};
    for (int i = 0; i < 6; ++i)
        values[i] = i < items.size() ? number(items, i) : 0;
    for (int i = items.size(); i < 6; ++i)
        values[i] = 0;
    values[0] = std::max(values[0], 1);
    if (!withinReach({values[0], values[1], values[2], values[3], values[4], values[5]}))
        return outOfReach(body);
    QPainter painter(&surface());
    painter.setPen(c.pen);
    painter.setBrush(Qt::NoBrush);
    const int x1 = values[0], y1 = values[1], x2 = values[2], y2 = values[3];
    switch (variant.unicode()) {
        case u'R': painter.drawRect(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1))); break;
        case u'C':
            painter.drawRoundedRect(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)), values[4] / 2.0,
                                    values[5] / 2.0);
            break;
        case u'X': painter.drawLine(x1, y1, x1 + values[2], y1); break;
        case u'Y': painter.drawLine(x1, y1, x1, y1 + values[2]); break;
        default: painter.drawLine(x1, y1, x2, y2); break;
    }
    return Step::Next;
}

QslDefinition::Step QslDefinition::fillBox(const QString& body, const QStringList& items) {
    if (items.size() < 5) return parameterError(body);
    const qint32 colour = ParseNumberOrHex(items[4]);
    if (colour == kNoNumber32) return parameterError(body);
    if (!withinReach({number(items, 0), number(items, 1), number(items, 2), number(items, 3)}))
        return outOfReach(body);
    QPainter painter(&surface());
    painter.fillRect(QRect(number(items, 0), number(items, 1), number(items, 2), number(items, 3)),
                     colourOf(quint32(colour)));
    return Step::Next;
}

QslDefinition::Step QslDefinition::ellipse(const QString& body, const QStringList& items) {
    const bool filled = body.size() > 6 && body[6].toUpper() == u'F';
    if (items.size() < (filled ? 5 : 3)) return parameterError(body);
    const int x = number(items, 0), y = number(items, 1), w = number(items, 2);
    int h = items.size() > 3 ? number(items, 3) : 0;
    if (h == 0) h = w;
    if (!withinReach({x, y, w, h})) return outOfReach(body);
    QPainter painter(&surface());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(canvas().pen);
    if (items.size() > 4) {
        const qint32 colour = ParseNumberOrHex(items[4]);
        if (colour == kNoNumber32) return parameterError(body);
        if (filled) painter.setBrush(colourOf(quint32(colour)));
    }
    painter.drawEllipse(QRect(x, y, w, h));
    return Step::Next;
}

QslDefinition::Step QslDefinition::alpha(const QString& body, const QStringList& items) {
    if (items.size() < 4) return parameterError(body);
    const int x = number(items, 0), y = number(items, 1);
    if (!withinReach({x, y, number(items, 2), number(items, 3)})) return outOfReach(body);
    fadeRect_ = QRect(QPoint(x, y), QPoint(x + number(items, 2) - 1, y + number(items, 3) - 1));
    fadeLevel_ = items.size() > 4 ? number(items, 4) : 0;
    return Step::Next;
}

QslDefinition::Step QslDefinition::image(const QString& body, const QString& line,
                                         const QStringList& items, bool jpeg) {
    if (items.size() < 5) return parameterError(body);
    const auto name = quoted(line);
    if (!name) return Step::Error;
    return drawImageFile(body, items, expand(*name), jpeg);
}

QslDefinition::Step QslDefinition::drawImageFile(const QString& body, const QStringList& items,
                                                 const QString& file, bool jpeg) {
    const std::optional<QString> found = locateFile(file);
    if (!found || !QFileInfo(*found).isFile()) {
        // Named as the definition would find it.
        const bool bare = QDir::isRelativePath(file) && !(file.size() > 1 && file[1] == u':') &&
                          !file.startsWith(u'\\');
        return fileMissing(bare ? QFileInfo(context.definitionFile).dir().filePath(file) : file);
    }
    const QString path = *found;
    int x = number(items, 0), y = number(items, 1);
    int w = std::max(0, number(items, 2)), h = std::max(0, number(items, 3));
    if (!withinReach({x, y}) || w > kMaxPictureSide || h > kMaxPictureSide) return outOfReach(body);
    // The picture's own size decides the other side of the box, or the
    // whole picture when it is drawn as it is.
    QString why;
    const QSize stored = pictureSize(path, jpeg, &why);
    if (stored.isEmpty()) return pictureUnreadable(path, why);
    if (w == 0 && h == 0) {
        if (qint64(stored.width()) * stored.height() > kMaxOwnSizePixels) return outOfReach(body);
    } else {
        const qint64 tw = w > 0 ? w : qint64(double(h) * stored.width() / stored.height() + 0.5);
        const qint64 th = h > 0 ? h : qint64(double(w) * stored.height() / stored.width() + 0.5);
        if (tw < 1 || th < 1 || tw > kMaxPictureSide || th > kMaxPictureSide)
            return outOfReach(body);
    }
    QSize cover;
    if (jpeg && (w > 0 || h > 0)) {
        // A photo drawn smaller than it is decodes at the DCT scale that
        // still covers the box.
        JpegInfo info;
        if (readJpegInfo(path, info)) {
            const QSize upright = info.uprightSize();
            const int tw =
                w > 0 ? w : RoundHalfAway(double(h) * upright.width() / upright.height());
            const int th =
                h > 0 ? h : RoundHalfAway(double(w) * upright.height() / upright.width());
            if (tw < upright.width() && th < upright.height()) cover = QSize(tw, th);
        }
    }
    // A picture drawn again in this run (a loop, a second #Load) is decoded
    // once, as long as its file stays the same.
    const QFileInfo source(path);
    const qint64 bytes = source.size();
    const qint64 modified = source.lastModified().toMSecsSinceEpoch();
    QImage picture;
    QSize full;
    const auto kept = std::find_if(decoded_.begin(), decoded_.end(), [&](const DecodedPicture& d) {
        return d.path == path && d.jpeg == jpeg && d.cover == cover && d.bytes == bytes &&
               d.modified == modified;
    });
    if (kept != decoded_.end()) {
        picture = kept->image;
        full = kept->full;
    } else {
        if (jpeg) {
            const JpegReadResult read = readJpeg(path, cover);
            picture = read.image;
            why = read.error;
            full = read.fullSize;
        } else {
            if (!picture.load(path, "BMP")) why = QStringLiteral("BMP画像として読めません");
            picture = picture.convertToFormat(QImage::Format_RGB32);
            full = picture.size();
        }
        if (!picture.isNull()) {
            if (decoded_.size() >= 4) decoded_.erase(decoded_.begin());
            decoded_.push_back({path, jpeg, cover, bytes, modified, picture, full});
        }
    }
    if (picture.isNull()) return pictureUnreadable(path, why);
    if (fadeRect_.right() >= 1) {
        // The rectangle is in the picture's own pixels.
        QRect area = fadeRect_;
        if (full.isValid() && full != picture.size()) {
            const double sx = double(picture.width()) / full.width();
            const double sy = double(picture.height()) / full.height();
            area =
                QRect(QPoint(int(area.left() * sx), int(area.top() * sy)),
                      QPoint(int((area.right() + 1) * sx) - 1, int((area.bottom() + 1) * sy) - 1));
        }
        FadeRect(picture, area.intersected(picture.rect()), fadeLevel_);
        fadeRect_ = QRect();
    }
    const QSize own = full.isValid() ? full : picture.size();

    QPainter painter(&surface());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if ((w == 0 && h == 0) || (x == 0 && y == 0 && QSize(w, h) == own)) {
        painter.drawImage(x, y, picture);
    } else {
        if (w == 0) w = RoundHalfAway(double(h) * own.width() / own.height());
        if (h == 0) h = RoundHalfAway(double(w) * own.height() / own.width());
        QImage scaled(w, h, QImage::Format_RGB32);
        StretchCopy(picture, scaled);
        painter.drawImage(x, y, scaled);
    }
    result_ = 0;
    return Step::Next;
}

QslDefinition::Step QslDefinition::size(const QString& body, const QString& rawLine,
                                        const QStringList& items) {
    if (items.size() < 2) return parameterError(body);
    const int w = number(items, 0), h = number(items, 1);
    const qint64 sides = qint64(w) + h;
    if (sides < 864 || sides > 1676 || w < 1 || h < 1)
        return unusable(rawLine, QStringLiteral("幅＋高さは864～1676ドットまで"));
    wrapWidth_ = w;
    const qint32 colour = items.size() > 2 ? number(items, 2) : -1;
    const QColor fill = colour < 0 ? QColor(Qt::white) : colourOf(quint32(colour));
    QImage& target = surface();
    target = QImage(w, h, QImage::Format_RGB32);
    target.setDotsPerMeterX(3780);
    target.setDotsPerMeterY(3780);
    target.fill(fill);
    return Step::Next;
}

QslDefinition::Step QslDefinition::text(const QString& body, const QStringList& items) {
    if (items.size() < 2) return parameterError(body);
    const int x = number(items, 0);
    int y = number(items, 1);
    int lineHeight = items.size() > 2 ? number(items, 2) : 0;
    if (!withinReach({x, y, lineHeight})) return outOfReach(body);
    if (lineHeight < 1) lineHeight = textHeight(QStringLiteral("Text"));
    qsizetype end = -1;
    for (qsizetype i = index_ + 1; i < lines.size(); ++i) {
        QString head = lines[i].left(300);
        if (head.startsWith(u"End", Qt::CaseInsensitive)) {
            end = i;
            break;
        }
        if (head.startsWith(u'#')) {
            head = head.mid(1).trimmed();
            if (head.startsWith(u"End", Qt::CaseInsensitive)) {
                end = i;
                break;
            }
        }
    }
    if (end < 0) return parameterError(QStringLiteral("End"));
    QPainter painter(&surface());
    setUpPainter(painter);
    for (qsizetype i = index_ + 1; i < end; ++i) {
        const QString text = expand(lines[i]);
        noteEmptyCodes(lines[i], text);
        for (const QString& piece : text.split(u'\r')) {
            drawText(painter, x, y, piece);
            y += lineHeight;
            if (y > kMaxReach) return Step::Next;  // below every card: nothing more shows
        }
    }
    return Step::Next;
}

QslDefinition::Step QslDefinition::qrCode(const QString& body, const QString& rawLine,
                                          const QStringList& items) {
    const int status = qr_ ? qr_->status() : QrModule::kNotFound;
    if (status <= 0) {
        ShowMsgBox(nullptr,
                   status == QrModule::kTooOld ? QStringLiteral("ZkwQRCode.dll が古いです！")
                                               : QStringLiteral("ZkwQRCode.dll が見つかりません！"),
                   app::title(), mb::Ok | mb::IconStop);
        return unusable(rawLine);
    }
    if (items.size() < 5) return parameterError(body);
    const auto text = quoted(normalizedLine(rawLine));
    if (!text) return Step::Error;
    const QString expanded = expand(sjis::leftBytes(*text, 254));
    if (sjis::byteLength(expanded) < 4) return parameterError(body);
    const quint32 level = items.size() > 5 ? quint32(number(items, 5)) : 2u;
    const quint32 flags = (level << 24) | 0xFFFFFF;
    const QString folder = workFolder();
    const QString bitmap = QDir(folder).filePath(QStringLiteral("QRCode$.bmp"));
    // The bitmap is this code's or none: a failed make never leaves the
    // last card's code to be drawn.
    QFile::remove(bitmap);
    if (folder.isEmpty() || !qr_->make(sjis::fromUnicode(expanded), bitmap, flags)) {
        QFile::remove(bitmap);
        reportAt(QStringLiteral("#%1\r　↑QSL定義命令エラー（%2行目）\r\rQRコードを作成できません！"
                                "（文字が多すぎるか、記号にできない文字です）")
                     .arg(body)
                     .arg(index_ + 1),
                 body);
        return Step::Error;
    }
    const Step drawn = drawImageFile(body, items, bitmap, false);
    QFile::remove(bitmap);
    return drawn;
}
