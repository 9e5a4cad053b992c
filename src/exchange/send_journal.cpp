#include "exchange/send_journal.h"

#include "core/sjis.h"
#include "core/text_files.h"
#include "core/whole_file.h"
#include "logdata/zelkov50.h"
#include "platform/file_sync.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString kPicture = QStringLiteral("picture:");
const QString kMark = QStringLiteral("mark:");

// Cards are named relative to the log's folder, so that a copy of the folder
// settles its own cards, never the original's.
QString storedPicture(const QString& qsoData, const QString& picture) {
    if (picture.isEmpty()) return picture;
    const QString relative = QFileInfo(qsoData).absoluteDir().relativeFilePath(picture);
    return relative.startsWith(QStringLiteral("../")) ? picture : relative;
}

QString pictureFromStore(const QString& qsoData, const QString& stored) {
    if (stored.isEmpty() || QFileInfo(stored).isAbsolute()) return stored;
    return QFileInfo(qsoData).absoluteDir().filePath(stored);
}

}  // namespace

QString SendJournal::pathFor(const QString& qsoData) {
    const QFileInfo log(qsoData);
    return log.path() + u'/' + log.completeBaseName() + QStringLiteral(".sending");
}

SendJournal::SendJournal(const QString& qsoData) : qsoData_(qsoData), path_(pathFor(qsoData)) {}

bool SendJournal::begin(int recno, const QString& call, const QString& cardName,
                        const QString& address, const QString& picture,
                        std::optional<QChar> markBefore) {
    QString text =
        QStringLiteral("No%1　%2　%3\r\n%4\r\n%5\r\n")
            .arg(recno)
            .arg(call, cardName, address,
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
    if (markBefore) text += kMark + *markBefore + QStringLiteral("\r\n");
    if (!picture.isEmpty())
        text += kPicture + storedPicture(qsoData_, picture) + QStringLiteral("\r\n");
    // A path CP932 cannot hold goes as UTF-8, which the reading takes too.
    text_ = sjis::encodeUserText(text);
    return writeWholeFile(path_, text_);
}

bool SendJournal::mailed() {
    return writeWholeFile(path_, text_ + "mailed\r\n");
}

void SendJournal::end() {
    QFile::remove(path_);
}

std::optional<SendJournal::LeftOver> SendJournal::readLeftOver(const QString& qsoData) {
    QFile file(pathFor(qsoData));
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) return std::nullopt;
    QStringList lines = sjis::decodeUserText(file.read(4096)).split(QStringLiteral("\r\n"));
    while (!lines.isEmpty() && lines.back().trimmed().isEmpty())
        lines.removeLast();
    LeftOver left;
    // After the card's own lines: its mark before, its picture, "mailed".
    while (lines.size() > 1) {
        const QString& line = lines.back();
        if (line == u"mailed")
            left.mailed = true;
        else if (line.startsWith(kPicture))
            left.picture = pictureFromStore(qsoData, line.mid(kPicture.size()));
        else if (line.startsWith(kMark) && line.size() == kMark.size() + 1)
            left.markBefore = line.back();
        else
            break;
        lines.removeLast();
    }
    const QString first = lines.value(0);
    left.recno = first.startsWith(u"No") ? first.mid(2).section(u'　', 0, 0).toInt() : 0;
    left.call = first.section(u'　', 1, 1);
    left.text = lines.join(u'\r').trimmed();
    return left;
}

namespace {

// The start of what is said of a card that may have gone out.
QString mayHaveGoneOut(const SendJournal::LeftOver& left) {
    return QStringLiteral(
               "前回の電子QSL送信は途中で終了しました。\r\r"
               "次の電子QSLはメールで送られた可能性がありますが、"
               "QSOデータに送信済みマークが付いていません：\r\r%1\r\r")
        .arg(left.text);
}

}  // namespace

QString SendJournal::leftOverMessage(const LeftOver& left, bool marked) {
    if (marked)
        return QStringLiteral(
                   "前回の電子QSL送信は途中で終了しました。\r\r"
                   "次の電子QSLはメールで送られていたので、送信済みマークを付けました：\r\r%1")
            .arg(left.text);
    return mayHaveGoneOut(left) +
           QStringLiteral("相手局への送信を確認のうえ、必要なら送信済みマークを付けてください。");
}

QString SendJournal::undecidedMessage(const LeftOver& left) {
    return mayHaveGoneOut(left) +
           QStringLiteral("次の電子QSL送信のときに、送信済みかどうかをお尋ねします。");
}

QString SendJournal::leftOverQuestion(const LeftOver& left) {
    return mayHaveGoneOut(left) + QStringLiteral(
                                      "[はい(Y)]・・・送信済みマークを付ける（もう送信しない）\r"
                                      "[いいえ(N)]・・もう一度送信する\r"
                                      "[ｷｬﾝｾﾙ]・・・今回は送信しない（次回また確認する）");
}

QString SendJournal::cardFolderFor(const QString& qsoData) {
    const QFileInfo log(qsoData);
    return log.path() + u'/' + log.completeBaseName() + QStringLiteral(".cards");
}

QString SendJournal::prepareCardFolder(const QString& qsoData) {
    const QString folder = cardFolderFor(qsoData);
    if (!QDir().mkpath(folder + QStringLiteral("/unfiled"))) return {};
    // The cards are the person's own: nobody else reads them.
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return folder;
}

QString SendJournal::keepUnfiled(const QString& card, const QString& qsoData) {
    const QString folder = cardFolderFor(qsoData) + QStringLiteral("/unfiled");
    if (!QDir().mkpath(folder)) return card;
    const QString kept = QDir(folder).filePath(QFileInfo(card).fileName());
    return MoveFileReplacing(card, kept) ? kept : card;
}

namespace {

// Files each card kept as mailed but not filed in the sent folder; the ones
// that still cannot be, named.
QStringList fileUnfiledCards(const QString& qsoData, const QString& sentDir) {
    QStringList left;
    const QDir unfiled(SendJournal::cardFolderFor(qsoData) + QStringLiteral("/unfiled"));
    const QStringList names = unfiled.entryList(QDir::Files);
    for (const QString& name : names) {
        const QString card = unfiled.filePath(name);
        const QString target = QDir(sentDir).filePath(name);
        QFile existing(target);
        if (existing.exists()) {
            // The same card filed already: nothing is lost. Another under
            // its name stays: the person decides.
            QFile kept(card);
            if (existing.open(QIODevice::ReadOnly) && kept.open(QIODevice::ReadOnly) &&
                existing.size() == kept.size() && existing.readAll() == kept.readAll()) {
                QFile::remove(card);
                continue;
            }
            left << card;
            continue;
        }
        if (sentDir.isEmpty() || !QDir().mkpath(sentDir) || !MoveFileReplacing(card, target) ||
            !platform::syncFile(target))
            left << card;
    }
    return left;
}

}  // namespace

void SendJournal::sweepCardFolder(const QString& qsoData) {
    const QDir folder(cardFolderFor(qsoData));
    if (!folder.exists()) return;
    const std::optional<LeftOver> left = readLeftOver(qsoData);
    const QString named = left ? QFileInfo(left->picture).absoluteFilePath() : QString();
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : names)
        if (folder.absoluteFilePath(name) != named) QFile::remove(folder.filePath(name));
}

void SendJournal::forgetLeftOver(const QString& qsoData) {
    QFile::remove(pathFor(qsoData));
}

namespace {

// Files the left-over card in the sent folder; the words for a failure.
QString fileLeftOverPicture(const SendJournal::LeftOver& left, const QString& sentDir) {
    const QFileInfo picture(left.picture);
    if (sentDir.isEmpty() || !picture.isFile() ||
        picture.absolutePath() == QFileInfo(sentDir).absoluteFilePath())
        return {};
    const QString filed = QDir(sentDir).filePath(picture.fileName());
    // A card that cannot be filed stays where the batch drew it, and the
    // person is told where.
    if (QDir().mkpath(sentDir) && MoveFileReplacing(left.picture, filed)) return {};
    return QStringLiteral("\r\r電子QSLを送信済みフォルダへ移せませんでした：\r%1")
        .arg(QDir::toNativeSeparators(left.picture));
}

// Gives the card's QSO its sent mark when its record is still that QSO;
// false when it is not, or the mark cannot be written.
bool markCardQso(const QString& qsoData, const SendJournal::LeftOver& card,
                 const SentMarkRules& rules) {
    bool marked = false;
    ZkwHandle log;
    if (card.recno > 0 && ZelkovOpen(0, log, qsoData, 0) == 0 &&
        ZKW_read(log, card.recno, read_mode::Card) == 0 &&
        log.rec.call.trimmed().compare(card.call.trimmed(), Qt::CaseInsensitive) == 0) {
        const std::optional<QChar> mark = nextSentMark(log.rec.qslSent, rules);
        marked = !mark || QSL_Send(log, card.recno, *mark) == 0;
    }
    ZelkovClose(log, 0);
    return marked;
}

}  // namespace

bool SendJournal::markLeftOver(const QString& qsoData, const SentMarkRules& rules,
                               const QString& sentDir, QString* failure) {
    const std::optional<LeftOver> left = readLeftOver(qsoData);
    if (!left) return true;
    if (!markCardQso(qsoData, *left, rules)) return false;
    const QString notFiled = fileLeftOverPicture(*left, sentDir);
    if (failure) *failure = notFiled;
    forgetLeftOver(qsoData);
    return true;
}

QString SendJournal::undecidedPathFor(const QString& qsoData) {
    const QFileInfo log(qsoData);
    return log.path() + u'/' + log.completeBaseName() + QStringLiteral(".undecided");
}

namespace {

constexpr int kMaxUndecided = 300;  // a batch's size: more cannot have been in flight

QString undecidedFolder(const QString& qsoData) {
    return SendJournal::cardFolderFor(qsoData) + QStringLiteral("/undecided");
}

[[nodiscard]] bool writeUndecided(const QString& qsoData,
                                  const QList<SendJournal::LeftOver>& cards) {
    const QString path = SendJournal::undecidedPathFor(qsoData);
    if (cards.isEmpty()) return QFile::remove(path) || !QFile::exists(path);
    QByteArray bytes;
    for (const SendJournal::LeftOver& card : cards)
        bytes += QByteArray::number(card.recno) + '\t' + card.call.toUtf8().toBase64() + '\t' +
                 card.text.toUtf8().toBase64() + '\t' +
                 storedPicture(qsoData, card.picture).toUtf8().toBase64() + '\t' +
                 (card.markBefore ? QString(*card.markBefore).toUtf8().toBase64() : QByteArray()) +
                 "\r\n";
    return writeWholeFile(path, bytes);
}

}  // namespace

QList<SendJournal::LeftOver> SendJournal::undecided(const QString& qsoData) {
    QList<LeftOver> cards;
    QFile file(undecidedPathFor(qsoData));
    if (!file.open(QIODevice::ReadOnly)) return cards;
    const QList<QByteArray> lines = file.read(256 * 1024).split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> items = QByteArray(line).replace('\r', "").split('\t');
        if (items.size() < 4 || cards.size() >= kMaxUndecided) continue;
        LeftOver card;
        card.recno = items[0].toInt();
        card.call = QString::fromUtf8(QByteArray::fromBase64(items[1]));
        card.text = QString::fromUtf8(QByteArray::fromBase64(items[2]));
        card.picture =
            pictureFromStore(qsoData, QString::fromUtf8(QByteArray::fromBase64(items[3])));
        const QString mark = QString::fromUtf8(QByteArray::fromBase64(items.value(4)));
        if (mark.size() == 1) card.markBefore = mark.front();
        if (card.recno > 0) cards << card;
    }
    return cards;
}

bool SendJournal::decide(const QString& qsoData, int recno, Decision decision,
                         const SentMarkRules& rules, const QString& sentDir, QString* failure) {
    QList<LeftOver> cards = undecided(qsoData);
    const auto it = std::find_if(cards.begin(), cards.end(),
                                 [recno](const LeftOver& c) { return c.recno == recno; });
    if (it == cards.end()) return true;
    if (decision == Decision::Later) return true;
    const LeftOver card = *it;
    if (decision == Decision::Sent) {
        if (!markCardQso(qsoData, card, rules)) return false;
        const QString notFiled = fileLeftOverPicture(card, sentDir);
        if (failure) *failure = notFiled;
    } else {
        QFile::remove(card.picture);  // it goes out again, drawn anew
    }
    cards.erase(it);
    return writeUndecided(qsoData, cards);
}

std::optional<QString> SendJournal::settleLeftOver(const QString& qsoData,
                                                   const SentMarkRules& rules,
                                                   QList<int>* unsettled, const QString& sentDir,
                                                   int* settled, bool nameUndecided) {
    if (unsettled) unsettled->clear();
    if (settled) *settled = 0;
    QStringList said;
    QList<LeftOver> waiting = undecided(qsoData);
    if (const std::optional<LeftOver> left = readLeftOver(qsoData)) {
        bool sameQso = false;
        {
            ZkwHandle log;
            sameQso =
                left->recno > 0 && ZelkovOpen(0, log, qsoData, 0) == 0 &&
                ZKW_read(log, left->recno, read_mode::Card) == 0 &&
                log.rec.call.trimmed().compare(left->call.trimmed(), Qt::CaseInsensitive) == 0;
            ZelkovClose(log, 0);
        }
        QString notFiled;
        if (left->mailed && sameQso && markLeftOver(qsoData, rules, sentDir, &notFiled)) {
            // The server took it: marked, and not mailed again.
            if (settled) *settled = left->recno;
            said << leftOverMessage(*left, true) + notFiled;
        } else if (!sameQso) {
            // The QSO is no longer under its number: nothing to decide on.
            forgetLeftOver(qsoData);
            said << leftOverMessage(*left, false);
        } else {
            // It may have gone out: it waits for the person's decision,
            // kept apart from the journal, which the next card takes.
            LeftOver card = *left;
            const QFileInfo picture(left->picture);
            if (picture.isFile() && QDir().mkpath(undecidedFolder(qsoData))) {
                const QString kept = QDir(undecidedFolder(qsoData)).filePath(picture.fileName());
                if (MoveFileReplacing(left->picture, kept)) card.picture = kept;
            }
            waiting.erase(std::remove_if(waiting.begin(), waiting.end(),
                                         [&](const LeftOver& c) { return c.recno == card.recno; }),
                          waiting.end());
            waiting << card;
            if (writeUndecided(qsoData, waiting)) forgetLeftOver(qsoData);
        }
    }
    // A card found marked meanwhile (by the person, or the logging program)
    // is decided.
    QList<LeftOver> still;
    for (const LeftOver& card : std::as_const(waiting)) {
        bool marked = false;
        bool sameQso = false;
        ZkwHandle log;
        if (ZelkovOpen(0, log, qsoData, 0) == 0 &&
            ZKW_read(log, card.recno, read_mode::Card) == 0) {
            sameQso = log.rec.call.trimmed().compare(card.call.trimmed(), Qt::CaseInsensitive) == 0;
            // A sent mark, and not the one the QSO had when the card went
            // out (a card sent again to a QSO marked before).
            marked = sameQso && previousSentMark(log.rec.qslSent, rules.rule) != log.rec.qslSent &&
                     (!card.markBefore || *card.markBefore != log.rec.qslSent);
        }
        ZelkovClose(log, 0);
        if (marked) {
            (void)fileLeftOverPicture(card, sentDir);
            continue;
        }
        if (!sameQso) {
            QFile::remove(card.picture);
            continue;
        }
        still << card;
        if (unsettled) *unsettled << card.recno;
        if (nameUndecided) said << undecidedMessage(card);
    }
    if (still.size() != waiting.size()) (void)writeUndecided(qsoData, still);

    const QStringList notFiled = fileUnfiledCards(qsoData, sentDir);
    if (!notFiled.isEmpty()) {
        QStringList shown;
        for (const QString& card : notFiled)
            shown << QDir::toNativeSeparators(card);
        said << QStringLiteral("送信した電子QSLを送信済みフォルダへ移せませんでした：\r") +
                    shown.join(u'\r');
    }
    sweepCardFolder(qsoData);
    if (said.isEmpty()) return std::nullopt;
    return said.join(QStringLiteral("\r\r"));
}
