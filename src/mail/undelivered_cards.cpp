#include "mail/undelivered_cards.h"

#include "core/comma_text.h"
#include "core/sjis.h"
#include "core/text_files.h"

#include <QDir>
#include <QFile>

namespace {

constexpr qint64 kMaxBytes = 4 << 20;
constexpr size_t kMaxEntries = 10000;
const QString kTimeFormat = QStringLiteral("yyyy/MM/dd HH:mm:ss");

QByteArray readTail(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    if (file.size() > kMaxBytes) {
        file.seek(file.size() - kMaxBytes);
        QByteArray bytes = file.readAll();
        const qsizetype newline = bytes.indexOf('\n');
        return newline < 0 ? QByteArray() : bytes.mid(newline + 1);  // from a whole line
    }
    return file.readAll();
}

}  // namespace

QString undeliveredListPath(const QString& messageDir) {
    return QDir(messageDir).filePath(QStringLiteral("Undelivered.csv"));
}

bool recordUndeliveredCard(const QString& messageDir, const UndeliveredCard& card) {
    QDir().mkpath(messageDir);
    const QString path = undeliveredListPath(messageDir);
    QByteArray bytes = readTail(path);
    if (!bytes.isEmpty() && !bytes.endsWith('\n')) bytes += "\r\n";
    const QString line = commaTextJoin({card.cardName, card.recipient, card.status, card.reason,
                                        card.reported.toString(kTimeFormat), card.reportFile});
    return SaveFile(bytes + sjis::fromUnicode(line) + "\r\n", path);
}

std::vector<UndeliveredCard> readUndeliveredCards(const QString& messageDir) {
    std::vector<UndeliveredCard> cards;
    const QString text = sjis::toUnicode(readTail(undeliveredListPath(messageDir)));
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList items = commaTextSplit(QString(line).remove(u'\r'));
        if (items.size() < 6 || !items[0].endsWith(QStringLiteral(".jpg"), Qt::CaseInsensitive))
            continue;
        cards.push_back({items[0], items[1], items[2], items[3],
                         QDateTime::fromString(items[4], kTimeFormat), items[5]});
    }
    if (cards.size() > kMaxEntries) cards.erase(cards.begin(), cards.end() - kMaxEntries);
    return cards;
}
