#include "archive/sent_list.h"

#include "archive/card_match.h"
#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/progress_port.h"
#include "core/zk_dll5.h"
#include "exchange/logging_program.h"
#include "exchange/sent_mark.h"
#include "logdata/log_store.h"
#include "logdata/sqlite_db.h"
#include "logdata/zelkov50.h"
#include "logdata/zkw_parse.h"
#include "mail/undelivered_cards.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <map>
#include <optional>

namespace {

constexpr int kColumns = 5;  // No, QSL, the card, its time, the record

QStringList headers() {
    return {QStringLiteral("No"),
            QStringLiteral("QSL"),
            QStringLiteral("電子QSL～JPEGファイル"),
            QStringLiteral("ファイル時刻"),
            QStringLiteral("RecNo"),
            QStringLiteral("配達状況")};
}

QString reasonOf(int verdict) {
    if (verdict == 0) return QStringLiteral("無し");
    if (!(verdict & 2)) return QStringLiteral("日付時刻");
    if (!(verdict & 4)) return QStringLiteral("バンド");
    return QStringLiteral("モード");
}

}  // namespace

QString sentCardKey(const QString& fileName) {
    const qsizetype last = fileName.lastIndexOf(u'_');
    QString key = fileName.mid(last + 1, 6).leftJustified(6, u' ');
    if (key[4] == u'.') {
        key[4] = u' ';
        key[5] = u' ';
    } else if (key[5] == u'.') {
        key[5] = u' ';
    }
    return key;
}

std::vector<ReceivedCardFile> sentCardFiles(const QString& folder, int order) {
    std::vector<std::pair<QString, ReceivedCardFile>> keyed;
    QDirIterator it(folder, {QStringLiteral("*.jpg")}, QDir::Files);
    while (it.hasNext()) {
        const QFileInfo file(it.nextFileInfo());
        if (file.size() <= kMaxNonCardBytes) continue;
        ReceivedCardFile card;
        card.name = file.completeBaseName().toUpper() + QStringLiteral(".jpg");
        card.fileTime = file.lastModified().toString(QStringLiteral("yy/MM/dd HH:mm"));
        QString key;
        if (order == 0) key = card.fileTime + u',';
        if (order == 2) key = card.name.mid(card.name.lastIndexOf(u'_') + 1) + u',';
        keyed.emplace_back(key + card.name + u',' + card.fileTime, std::move(card));
    }
    std::sort(keyed.begin(), keyed.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<ReceivedCardFile> files;
    files.reserve(keyed.size());
    for (auto& [key, card] : keyed)
        files.push_back(std::move(card));
    return files;
}

SentList matchSentCards(const std::vector<ReceivedCardFile>& files, ZkwHandle& log,
                        qint64 toleranceSeconds, ProgressPort* progress) {
    SentList list;
    list.rows.reserve(files.size());
    std::optional<SqliteReadSnapshot> snapshot;
    if (log.store) snapshot.emplace(log.store->db());
    const auto exactly = [](const QString& a, const QString& b) { return a == b; };
    const int count = static_cast<int>(files.size());
    for (const ReceivedCardFile& file : files) {
        if (progress && list.rows.size() % 64 == 0)
            progress->setPosition(count + static_cast<int>(list.rows.size()));
        if (!file.name.contains(u'_')) continue;
        const CardMatch found =
            matchCardOfKey(log, file.name, sentCardKey(file.name), toleranceSeconds, exactly, true);
        if (found.matched()) {
            list.rows.push_back({found.qso.qslField() + u' ', file.name, file.fileTime,
                                 QString::number(found.recno)});
            if (found.qso.qslRcvd == u' ') ++list.unreceived;
        } else {
            list.rows.push_back(
                {QStringLiteral("■×"), file.name, file.fileTime, reasonOf(found.verdict)});
            ++list.unmatched;
        }
    }
    return list;
}

SentListBuild BuildSentList(const SentListJob& job, LoggingProgram& loggingProgram,
                            ProgressPort& progress, int expectedRecordCount) {
    SentListBuild build;
    const std::vector<ReceivedCardFile> files = sentCardFiles(job.sentDir, job.order);
    if (files.empty()) {
        ShowMsgBox(nullptr, QStringLiteral("送信フォルダに該当電子QSLはありません！"), app::title(),
                   mb::Ok | mb::IconExclamation);
        return build;
    }
    ListLog log(job.qsoData, loggingProgram, expectedRecordCount);
    if (!log.isOpen()) {
        build.end = ReceivedListBuild::End::LogNotOpened;
        return build;
    }
    const int count = static_cast<int>(files.size());
    progress.setVisible(true);
    progress.setMaximum(2 * count);
    progress.setPosition(count);
    build.list = matchSentCards(files, log.handle(), job.toleranceSeconds, &progress);
    if (!job.messageDir.isEmpty()) markUndeliveredCards(build.list, job.sentDir, job.messageDir);
    progress.setVisible(false);
    build.end = ReceivedListBuild::End::Built;
    return build;
}

void markUndeliveredCards(SentList& list, const QString& sentDir, const QString& messageDir) {
    std::map<QString, UndeliveredCard> latest;
    for (UndeliveredCard& card : readUndeliveredCards(messageDir))
        latest[card.cardName.toUpper()] = std::move(card);
    if (latest.empty()) return;
    for (QStringList& row : list.rows) {
        const auto it = latest.find(row.value(1).toUpper());
        if (it == latest.end()) continue;
        // A report read before the card was last written (a resend) is old news.
        const QDateTime written = QFileInfo(cardFilePath(sentDir, row.value(1))).lastModified();
        if (it->second.reported.isValid() && written.isValid() &&
            it->second.reported.addSecs(60) < written)
            continue;
        row.resize(4);
        QString text = QStringLiteral("配達不能");
        if (!it->second.reason.isEmpty()) text += QStringLiteral("：") + it->second.reason;
        row << text;
        ++list.undelivered;
    }
}

QString sentListStatus(int shown, int unreceived, int unmatched, int undelivered) {
    QString text = QStringLiteral(" %1 個の送信済み電子QSL").arg(shown);
    if (unreceived >= 1) {
        text += QStringLiteral("（未受領＝%1個").arg(unreceived);
        if (unmatched > 0) text += QStringLiteral("，■×＝%1個").arg(unmatched);
        text += u'）';
    } else if (unmatched > 0) {
        text += QStringLiteral("■×＝%1個）").arg(unmatched);
    }
    if (undelivered > 0) text += QStringLiteral("〔配達不能＝%1個〕").arg(undelivered);
    return text;
}

QString partnerCallOfSentCard(const QString& name) {
    const qsizetype last = name.lastIndexOf(u'_');
    const qsizetype dot = last < 0 ? -1 : name.indexOf(u'.', last + 1);
    if (dot < 0) return {};
    return name.mid(last + 1, std::min<qsizetype>(dot - last - 1, 20));
}

QString receivedNameOfSentCard(const QString& name) {
    QStringList fields = name.split(u'_');
    if (fields.size() < 2) return {};
    QString last = fields.back();
    if (const qsizetype dot = last.lastIndexOf(u'.'); dot >= 0) last.truncate(dot);
    fields.back() = fields.front();
    fields.front() = last;
    return fields.join(u'_') + u'.';
}

SentListModel::SentListModel(QObject* parent) : CardListModel(headers(), {0, 1, 4}, parent) {
    setColumnCount(kColumns);
}

void SentListModel::setList(const SentList& list) {
    unreceived_ = list.unreceived;
    unmatched_ = list.unmatched;
    undelivered_ = list.undelivered;
    // The delivery column only when a card was not delivered.
    setColumnCount(list.undelivered > 0 ? kColumns + 1 : kColumns);
    setRows(list.rows);
}

int SentListModel::recordNumber(int index) const {
    bool ok = false;
    const int recno = item(index, 3).toInt(&ok);
    return ok ? recno : 0;
}

int SentListModel::search(const QString& text) {
    if (text.isEmpty()) return 0;
    QString pattern = text;
    const bool wildcard = CallPatternFromInput(pattern);
    return keepIf([&](const QStringList& items) {
        const QString name = items.value(1);
        QString call = name.mid(name.lastIndexOf(u'_') + 1);
        if (const qsizetype dot = call.lastIndexOf(u'.'); dot >= 0) call.truncate(dot);
        return (wildcard && WildcardMatch(call, pattern)) || call.contains(text);
    });
}

int SentListModel::keepUnreceived() {
    return keepIf([](const QStringList& items) {
        const QString qsl = items.value(0);
        return qsl.startsWith(u"■") || (qsl.size() > 2 && qsl[2] == u' ');
    });
}

int SentListModel::keepUndelivered() {
    return keepIf([](const QStringList& items) { return !items.value(4).isEmpty(); });
}

std::vector<int> SentListModel::undeliveredRecords() const {
    std::vector<int> records;
    for (int i = 0; i < shownCount(); ++i)
        if (isUndelivered(i) && recordNumber(i) > 0) records.push_back(recordNumber(i));
    return records;
}

std::optional<int> takeBackSentMarks(const QString& qsoData, const std::vector<int>& records,
                                     const QString& rule, LoggingProgram& loggingProgram) {
    ListLog log(qsoData, loggingProgram, 0);
    if (!log.isOpen()) return std::nullopt;
    int changed = 0;
    for (int recno : records) {
        if (ZKW_read(log.handle(), recno, read_mode::Card) != 0) continue;
        const QChar before = previousSentMark(log.handle().rec.qslSent, rule);
        if (before == log.handle().rec.qslSent) continue;
        if (QSL_SendBack(log.handle(), recno, before) == 0) ++changed;
    }
    return changed;
}

std::optional<int> SentListModel::locate(const QString& receivedName,
                                         qint64 toleranceSeconds) const {
    // The call keys as the list compares them: six characters at most, a
    // shorter call whole (never the period or the field after it).
    const QStringList fields = receivedName.split(u'_');
    const QString key = fields[0].left(6);
    if (fields.size() < 5 || fields[1].size() < 6 || fields[2].size() < 4) return std::nullopt;
    QsoRecord qso;
    qso.date = fields[1].left(2) + u'/' + fields[1].mid(2, 2) + u'/' + fields[1].mid(4, 2);
    qso.time = fields[2].left(2) + u':' + fields[2].mid(2, 2);
    qso.zone = u'J';
    QString band = fields[3];
    if (const qsizetype dash = band.indexOf(u'-'); dash >= 0) band[dash] = u'/';
    const int bandIndex = FreqPCheck(band);
    const QString mode = fields[4];
    std::optional<int> otherMode;
    for (int i = 0; i < shownCount(); ++i) {
        const QString rowName = cardName(i);
        if (itemsAt(i).size() < 3 ||
            partnerCallOfSentCard(rowName).left(6).compare(key, Qt::CaseInsensitive) != 0)
            continue;
        QString rowBand, rowMode;
        const bool near = MatchCardDateTime(rowName, qso, toleranceSeconds, rowBand, rowMode);
        if (rowBand.isEmpty()) break;
        const int score = (near ? 1 : 0) +
                          (FreqPCheck(rowBand.section(u'_', 0, 0)) == bandIndex ? 2 : 0) +
                          (rowMode == mode ? 4 : 0);
        if (score == 7) return i;
        if (score == 3) otherMode = i;
    }
    return otherMode;
}

int offerTakingBackSentMarks(const SentListModel& model, int current, const QString& qsoData,
                             const QString& rule, LoggingProgram& loggingProgram) {
    const std::vector<int> all = model.undeliveredRecords();
    if (all.empty()) {
        ShowMsgBox(nullptr, QStringLiteral("QSOと照合できる配達不能の電子QSLはありません。"),
                   app::title(), mb::Ok | mb::IconInformation);
        return 0;
    }
    std::vector<int> chosen = all;
    if (current >= 0 && current < model.shownCount() && model.isUndelivered(current) &&
        model.recordNumber(current) > 0) {
        const int answer = ShowMsgBox(
            nullptr,
            model.cardName(current) + QStringLiteral("\r\r・・・は相手に届きませんでした。\r（") +
                model.item(current, 4) +
                QStringLiteral(
                    "）\r\rQSOデータの発行済みマークを取り消しますか？\r"
                    "[はい(Y)]・・・このQSLのみ\r[いいえ(N)]・・配達不能のQSL %1件すべて\r"
                    "[ ｷｬﾝｾﾙ ]・・・取り消さない")
                    .arg(all.size()),
            app::title(), mb::YesNoCancel | mb::IconQuestion | mb::DefButton3);
        if (answer == mb::IdCancel) return 0;
        if (answer == mb::IdYes) chosen = {model.recordNumber(current)};
    } else if (ShowMsgBox(nullptr,
                          QStringLiteral("配達不能のQSL %1件について、QSOデータの発行済みマークを"
                                         "取り消しますか？")
                              .arg(all.size()),
                          app::title(),
                          mb::YesNo | mb::IconQuestion | mb::DefButton2) != mb::IdYes) {
        return 0;
    }
    const std::optional<int> changed = takeBackSentMarks(qsoData, chosen, rule, loggingProgram);
    if (!changed) return 0;
    // A QSO whose mark no card gave (a mark the batch left as it was) has
    // nothing to take back.
    ShowMsgBox(nullptr,
               *changed > 0
                   ? QStringLiteral("%1 件のQSOの発行済みマークを取り消しました。").arg(*changed)
                   : QStringLiteral("取り消す発行済みマークはありませんでした。"),
               app::title(), mb::Ok | mb::IconInformation);
    return *changed;
}
