#include "exchange/send_journal.h"

#include "core/sjis.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

QString SendJournal::pathFor(const QString& qsoData) {
    const QFileInfo log(qsoData);
    return log.path() + u'/' + log.completeBaseName() + QStringLiteral(".sending");
}

SendJournal::SendJournal(const QString& qsoData) : path_(pathFor(qsoData)) {}

bool SendJournal::begin(int recno, const QString& call, const QString& cardName,
                        const QString& address) {
    QSaveFile file(path_);
    const QByteArray text = sjis::fromUnicode(
        QStringLiteral("No%1　%2　%3\r\n%4\r\n%5\r\n")
            .arg(recno)
            .arg(call, cardName, address,
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))));
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
}

void SendJournal::end() {
    QFile::remove(path_);
}

std::optional<QString> SendJournal::takeLeftOver(const QString& qsoData) {
    QFile file(pathFor(qsoData));
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QString text = sjis::decodeUserText(file.read(4096)).trimmed();
    file.close();
    file.remove();
    return QStringLiteral(
               "前回の電子QSL送信は途中で終了しました。\r\r"
               "次の電子QSLはメールで送られた可能性がありますが、"
               "QSOデータに送信済みマークが付いていません：\r\r%1\r\r"
               "相手局への送信を確認のうえ、必要なら送信済みマークを付けてください。")
        .arg(text);
}
