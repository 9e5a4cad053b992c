#include "exchange/send_journal.h"

#include "core/sjis.h"
#include "core/text_files.h"
#include "core/whole_file.h"
#include "logdata/zelkov50.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kPicture = QStringLiteral("picture:");

}  // namespace

QString SendJournal::pathFor(const QString& qsoData) {
    const QFileInfo log(qsoData);
    return log.path() + u'/' + log.completeBaseName() + QStringLiteral(".sending");
}

SendJournal::SendJournal(const QString& qsoData) : path_(pathFor(qsoData)) {}

bool SendJournal::begin(int recno, const QString& call, const QString& cardName,
                        const QString& address, const QString& picture) {
    QString text =
        QStringLiteral("No%1　%2　%3\r\n%4\r\n%5\r\n")
            .arg(recno)
            .arg(call, cardName, address,
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
    if (!picture.isEmpty()) text += kPicture + picture + QStringLiteral("\r\n");
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

std::optional<SendJournal::LeftOver> SendJournal::takeLeftOver(const QString& qsoData) {
    QFile file(pathFor(qsoData));
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) return std::nullopt;
    QStringList lines = sjis::decodeUserText(file.read(4096)).split(QStringLiteral("\r\n"));
    file.close();
    file.remove();
    while (!lines.isEmpty() && lines.back().trimmed().isEmpty())
        lines.removeLast();
    LeftOver left;
    if (!lines.isEmpty() && lines.back() == u"mailed") {
        left.mailed = true;
        lines.removeLast();
    }
    if (!lines.isEmpty() && lines.back().startsWith(kPicture)) {
        left.picture = lines.back().mid(kPicture.size());
        lines.removeLast();
    }
    const QString first = lines.value(0);
    left.recno = first.startsWith(u"No") ? first.mid(2).section(u'　', 0, 0).toInt() : 0;
    left.call = first.section(u'　', 1, 1);
    left.text = lines.join(u'\r').trimmed();
    return left;
}

QString SendJournal::leftOverMessage(const LeftOver& left, bool marked) {
    if (marked)
        return QStringLiteral(
                   "前回の電子QSL送信は途中で終了しました。\r\r"
                   "次の電子QSLはメールで送られていたので、送信済みマークを付けました：\r\r%1")
            .arg(left.text);
    return QStringLiteral(
               "前回の電子QSL送信は途中で終了しました。\r\r"
               "次の電子QSLはメールで送られた可能性がありますが、"
               "QSOデータに送信済みマークが付いていません：\r\r%1\r\r"
               "相手局への送信を確認のうえ、必要なら送信済みマークを付けてください。")
        .arg(left.text);
}

std::optional<QString> SendJournal::settleLeftOver(const QString& qsoData,
                                                   const SentMarkRules& rules, int* unsettled,
                                                   const QString& sentDir, int* settled) {
    if (unsettled) *unsettled = 0;
    if (settled) *settled = 0;
    const std::optional<LeftOver> left = takeLeftOver(qsoData);
    if (!left) return std::nullopt;
    bool marked = false;
    if (left->mailed && left->recno > 0) {
        ZkwHandle log;
        if (ZelkovOpen(0, log, qsoData, 0) == 0 &&
            ZKW_read(log, left->recno, read_mode::Card) == 0 &&
            log.rec.call.trimmed().compare(left->call.trimmed(), Qt::CaseInsensitive) == 0) {
            const std::optional<QChar> mark = nextSentMark(log.rec.qslSent, rules);
            marked = !mark || QSL_Send(log, left->recno, *mark) == 0;
        }
        ZelkovClose(log, 0);
    }
    if (!marked && unsettled) *unsettled = left->recno;
    if (marked && settled) *settled = left->recno;
    // The card that went out belongs in the sent folder like every other.
    const QFileInfo picture(left->picture);
    QString message = leftOverMessage(*left, marked);
    if (marked && !sentDir.isEmpty() && picture.isFile() &&
        picture.absolutePath() != QFileInfo(sentDir).absoluteFilePath()) {
        const QString filed = QDir(sentDir).filePath(picture.fileName());
        // A card that cannot be filed stays where the batch drew it, and
        // the person is told where.
        if (!QDir().mkpath(sentDir) || !MoveFileReplacing(left->picture, filed))
            message += QStringLiteral("\r\r電子QSLを送信済みフォルダへ移せませんでした：\r%1")
                           .arg(QDir::toNativeSeparators(left->picture));
    }
    return message;
}
