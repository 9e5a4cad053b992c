#include "render/card_composer.h"

#include "core/app_info.h"
#include "core/bitmap_ops.h"
#include "core/comma_text.h"
#include "core/japanese_fonts.h"
#include "core/msg_box.h"
#include "core/text_files.h"
#include "core/work_folder.h"
#include "logdata/zelkov50.h"
#include "mail/card_record.h"
#include "render/jpeg_io.h"
#include "render/qsl_definition.h"
#include "settings/qsl_rig.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QTemporaryDir>

#include <cmath>

namespace {

// Rounded to the nearest integer, halves to even.
int roundEven(double value) {
    return static_cast<int>(std::nearbyint(value));
}

QImage cardImage(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);  // 96 pixels per inch: point sizes as designed
    image.setDotsPerMeterY(3780);
    return image;
}

}  // namespace

CardGeometry cardGeometry(QSize photo, int s) {
    const int w = photo.width(), h = photo.height();
    CardGeometry g;
    if (w >= 1024 && s == 0) {
        g = {{1024, 652}, 1.57055214, {}, 472, 22, 10};
    } else if (w >= 800 && s <= 1) {
        g = {{800, 510}, 1.56862745, {}, 370, 18, 6};
    } else if (w >= 640 && s <= 2) {
        g = {{640, 408}, 1.56862745, {}, 290, 15, 4};
    } else if (w < 528 || s == 4) {
        const int margin = w >= 801 ? 10 : w >= 641 ? 6 : w >= 529 ? 4 : 3;
        g = {photo, 0, {}, h * 10 / 14, std::min(w * 10 / 426, 22), margin};
    } else {
        g = {{528, 336}, 1.57142857, {}, 240, 13, 3};
    }
    if (g.proportion == 0)
        g.crop = QRect(QPoint(0, 0), photo);
    else if (double(w) / h <= g.proportion)
        g.crop = QRect(0, 0, w, roundEven(w / g.proportion));
    else
        g.crop = QRect(0, 0, roundEven(h * g.proportion), h);
    return g;
}

QString cardFailureMessage(int code, QSize size) {
    QString reason;
    switch (code) {
        case 1: reason = QStringLiteral("Write Error"); break;
        case 4: reason = QStringLiteral("Read Error"); break;
        case 10:
            reason = QStringLiteral("too Small! %1x%2").arg(size.width()).arg(size.height());
            break;
        case 11:
            reason = QStringLiteral("too Big! %1x%2").arg(size.width()).arg(size.height());
            break;
        default: reason = QStringLiteral("Image Error"); break;
    }
    QString text = QStringLiteral("No%1 電子QSL画像処理失敗（%2）").arg(code).arg(reason);
    if (code == 11) text += QStringLiteral("\r\r元の画像を小さく整形してください。");
    return text;
}

namespace {

// The photo cut and scaled to the card; empty when it cannot be read.
std::optional<CardBackground> readBackground(const QString& path, int sizeSetting) {
    JpegInfo info;
    if (!readJpegInfo(path, info)) return std::nullopt;
    CardBackground b;
    b.geometry = cardGeometry(info.uprightSize(), sizeSetting);
    const CardGeometry& g = b.geometry;
    const bool reshape = g.proportion != 0 && info.uprightSize() != g.card;
    const JpegReadResult photo =
        readJpeg(path, reshape ? g.card : QSize(), reshape ? g.crop : QRect());
    if (!photo.ok()) return std::nullopt;
    b.picture = cardImage(g.card);
    if (reshape) {
        StretchCopy(photo.image, b.picture);
    } else {
        QPainter copy(&b.picture);
        copy.drawImage(0, 0, photo.image);
    }
    return b;
}

}  // namespace

std::optional<QImage> drawBeginnerCard(const CardInputs& b, const QStringList& lines,
                                       const QString& qslField, CardFailure& failure,
                                       CardBackground* cache, CardFindings* findings) {
    failure.code = 4;
    const QFileInfo file(b.photoPath);
    const bool cached = cache && cache->path == b.photoPath &&
                        cache->sizeSetting == b.sizeSetting &&
                        cache->modified == file.lastModified() && cache->bytes == file.size() &&
                        !cache->picture.isNull();
    CardBackground fresh;
    if (!cached) {
        auto read = readBackground(b.photoPath, b.sizeSetting);
        if (!read) return std::nullopt;
        fresh = std::move(*read);
        fresh.path = b.photoPath;
        fresh.sizeSetting = b.sizeSetting;
        fresh.modified = file.lastModified();
        fresh.bytes = file.size();
        if (cache) *cache = fresh;
    }
    const CardBackground& background = cached ? *cache : fresh;
    const CardGeometry& g = background.geometry;

    failure.code = 3;
    QImage card = background.picture;  // drawn on a copy: the background stays

    const QRect area(0, g.textTop, g.card.width(), g.card.height() - g.textTop);
    if (b.textArea == 2) FadeRect(card, area, b.look.alpha);

    QPainter painter(&card);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (b.textArea == 0) painter.fillRect(area, colourOf(b.look.backgroundColour));
    painter.setPen(colourOf(b.look.fontColour));
    const int gap = lines.size() >= 6 ? 0 : 2;
    int y = g.textTop + (lines.size() >= 6 ? 0 : 4);
    QFont font = styledFont(b.look.fontName, g.startSize, b.look.fontStyle);
    // Where a text drawn at (x, top) ends up past the card's edge.
    const auto note = [&](const QString& text, int x, int top, const QFontMetrics& metrics) {
        if (!findings || text.trimmed().isEmpty()) return;
        const QString edge = x + metrics.horizontalAdvance(text) > g.card.width() + 2
                                 ? QStringLiteral("右端")
                             : top + metrics.height() > g.card.height() + 2 ? QStringLiteral("下端")
                                                                            : QString();
        if (!edge.isEmpty())
            findings->overflows << QStringLiteral("「%1」がカードの%2からはみ出します")
                                       .arg(findingText(text), edge);
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        int points = g.startSize - 1;
        font.setPointSize(std::max(points, 1));
        while (points > 1 &&
               QFontMetrics(font, &card).horizontalAdvance(lines[i]) >= g.card.width())
            font.setPointSize(--points);
        painter.setFont(font);
        const QFontMetrics metrics(font, &card);
        painter.drawText(g.leftMargin, y + metrics.ascent(), lines[i]);
        // A line shrunk to fit is drawn all the same; below half its size
        // nobody reads it.
        if (findings && points * 2 < g.startSize - 1)
            findings->overflows << QStringLiteral("「%1」が長すぎて %2ポイントまで縮みます")
                                       .arg(findingText(lines[i]))
                                       .arg(points);
        else
            note(lines[i], g.leftMargin, y, metrics);
        if (i == 0) {
            const QString tag = qslField.size() >= 3 && qslField[2] == u' '
                                    ? QStringLiteral("PSE QSL")
                                    : QStringLiteral("QSL TNX");
            painter.drawText(
                g.card.width() - metrics.horizontalAdvance(QStringLiteral("Write Error")),
                y + metrics.ascent(), tag);
        }
        y += metrics.height() + gap;
    }
    // The boxes were placed on the 528x336 preview.
    const double sx = double(g.card.width()) / 528;
    const double sy = double(g.card.height()) / 336;
    if (b.drawName && !b.nameText.isEmpty()) {
        painter.setPen(colourOf(b.look.nameColour));
        const QFontMetrics metrics(painter.font(), &card);
        const int step = metrics.height() + 2;
        int ny = roundEven(sy * b.look.nameBox.y());
        const int nx = roundEven(sx * b.look.nameBox.x());
        for (const QString& piece : b.nameText.split(QStringLiteral("<BR>"))) {
            painter.drawText(nx, ny + metrics.ascent(), piece);
            note(piece, nx, ny, metrics);
            ny += step;
        }
    }
    if (b.drawCall) {
        const QFont callFont = styledFont(b.look.callFontName, b.look.callSize, b.look.callStyle);
        painter.setFont(callFont);
        painter.setPen(colourOf(b.look.callColour));
        QString call = b.ownCall;
        if (!b.portable.trimmed().isEmpty()) call += u'/' + b.portable.trimmed();
        const QFontMetrics metrics(callFont, &card);
        const int cx = roundEven(sx * b.look.callBox.x());
        const int cy = roundEven(sy * b.look.callBox.y());
        painter.drawText(cx, cy + metrics.ascent(), call);
        note(call, cx, cy, metrics);
    }
    painter.end();
    failure.code = 0;
    return card;
}

std::optional<QString> saveCard(const QImage& card, const QString& path, CardFailure& failure,
                                const QByteArray& comment) {
    failure.code = 2;
    const QByteArray jpeg = encodeJpeg(card, 90, comment);
    if (!jpeg.isEmpty()) {
        failure.code = 1;
        // Written whole or not at all: a full disk or a failed close is a
        // failure, never a truncated card. Not flushed to disk here: a drawn
        // card is a working file, and what is kept of it (the sent folder's
        // copy) is made safe where it is kept.
        if (SaveFile(jpeg, path, FileSync::ByCaller)) {
            const int sum = card.width() + card.height();
            failure.code = sum < 864 ? 10 : sum > 1676 ? 11 : 0;
            if (failure.code == 0) return path;
        }
    }
    failure.message = cardFailureMessage(failure.code, card.size());
    ShowMsgBox(nullptr, failure.message, app::title(), mb::Ok | mb::IconStop);
    return std::nullopt;
}

CardComposer::CardComposer(CardInputs cardInputs, QslDefinition& definition)
    : inputs(std::move(cardInputs)), work_(newWorkFolder()), definition_(definition) {
    // A folder of this composer's own (mode 0700): nobody else's file is
    // read or overwritten under a card's name. Without one, nothing is saved.
    if (work_->isValid()) outputDir = work_->path();
}

CardComposer::~CardComposer() = default;

CardComposer::Result CardComposer::ComposeCard(const QString& sendLine) {
    return ComposeCard(commaTextSplit(sendLine));
}

CardComposer::Result CardComposer::ComposeCard(const QStringList& candidate) {
    Result result;
    const int recno = candidate.value(1).toInt();
    ZkwHandle log;
    if (ZelkovOpen(0, log, inputs.qsoData, 0) != 0) return result;
    if (ZKW_read(log, recno, read_mode::Card) != 0) {
        ZelkovClose(log, 0);
        return result;
    }
    QsoRecord qso = log.rec;
    ZelkovClose(log, 0);
    // The QSO as logged goes inside the picture (a definition may turn the
    // record's time for what it prints).
    const QByteArray record = cardRecordComment(cardRecordOf(qso, inputs.ownCall));

    CardTextSettings text;
    text.ownCall = inputs.ownCall;
    text.place = inputs.placeOutput;
    text.placeText = inputs.placeText;
    text.reportRules = inputs.reportRules;
    text.time = inputs.cardTime;
    text.remark = inputs.remarkText;
    text.beginnerMode = !inputs.expertMode;
    text.resend = !preparedCard.trimmed().isEmpty();
    if (text.beginnerMode && !text.resend) {
        std::optional<QString> line;
        if (inputs.confirmRig && chooseRig) {
            line = chooseRig(qso);
            if (!line) return result;  // cancelled
        } else {
            int selection = 0;
            RigChoiceContext rig;
            rig.lines = &inputs.rigLines;
            rig.expertMode = false;
            rig.memo = inputs.messageText;
            rig.remarks1 = qso.remarks1;
            rig.remarks2 = qso.remarks2;
            line = SelectRigLine(qso.freq, selection, rig);
        }
        text.rig = RigLine{commaTextSplit(*line)};
    }
    result.text = composeCardText(candidate, qso, text);
    if (!result.text) return result;  // abandoned at the date question
    if (text.resend) {
        result.path = preparedCard;
        return result;
    }
    const QString path = QDir(outputDir).filePath(result.text->fileName);
    const bool asksRig = text.beginnerMode && inputs.confirmRig && chooseRig;
    if (const auto it = drawn_.find(recno); reuseDrawn && !asksRig && it != drawn_.end() &&
                                            it->second.path == path && QFileInfo::exists(path)) {
        result.path = path;
        result.sentMark = it->second.sentMark;
        result.findings = it->second.findings;
        return result;
    }

    std::optional<QImage> card;
    if (inputs.expertMode) {
        const QString file = inputs.definitionPath;
        definition_.context.ownCall = inputs.ownCall;
        definition_.context.placeText = inputs.placeText;
        definition_.context.remarkText = inputs.remarkText;
        definition_.context.messageBody = QString(inputs.messageText).replace(u'\n', u'\r');
        if (definition_.context.messageBody.endsWith(u'\r'))
            definition_.context.messageBody.chop(1);
        definition_.context.rigLines = &inputs.rigLines;
        definition_.context.definitionFile = file;
        definition_.context.programDir = inputs.programDir;
        definition_.context.tempDir = outputDir;
        QStringList lines;
        definition_.SetQsoDataRefs(&qso);
        if (QslDefinition::readLines(file, lines)) {
            definition_.lines = lines;
            definition_.goOn = goOn;
            if (definition_.RunDefinition(true) == 0) card = definition_.card();
            definition_.goOn = nullptr;
            result.stopped = !card && definition_.stopped();
            result.tooSlow = !card && definition_.ranOutOfTime();
        }
        definition_.SetQsoDataRefs(nullptr);
        if (result.stopped) return result;
        if (!card) result.failure.code = 5;
        result.findings = definition_.findings();
        result.sentMark = definition_.sentMark();
    } else {
        card = drawBeginnerCard(inputs, result.text->lines, qso.qslField(), result.failure,
                                &background_, &result.findings);
        // The fields a beginner card prints after a label of their own.
        const auto empty = [&](const QString& value, const QString& name) {
            if (value.trimmed().isEmpty()) result.findings.emptyFields << name;
        };
        empty(qso.hisRst, QStringLiteral("RST"));
        empty(qso.freq, QStringLiteral("周波数"));
        empty(qso.mode, QStringLiteral("モード"));
    }
    if (!card) {
        result.failure.message = cardFailureMessage(result.failure.code);
        ShowMsgBox(nullptr, result.failure.message, app::title(), mb::Ok | mb::IconStop);
        return result;
    }
    result.card = *card;
    if (const auto saved = saveCard(*card, path, result.failure, record)) {
        result.path = *saved;
        drawn_[recno] = {path, result.sentMark, result.findings};
    }
    return result;
}
