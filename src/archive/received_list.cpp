#include "archive/received_list.h"

#include "archive/card_match.h"
#include "core/app_info.h"
#include "core/comma_text.h"
#include "core/msg_box.h"
#include "core/progress_port.h"
#include "exchange/logging_program.h"
#include "logdata/log_store.h"
#include "logdata/sqlite_db.h"
#include "logdata/zelkov50.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace {

// The QSO date and time part of a card name with its end marked,
// "yymmdd_hhmm!"; "/" for a name without those fields.
QString dateAndTimeOf(const QString& name) {
    const qsizetype first = name.indexOf(u'_');
    const qsizetype second = first < 0 ? -1 : name.indexOf(u'_', first + 1);
    const qsizetype third = second < 0 ? -1 : name.indexOf(u'_', second + 1);
    if (third < 0) return QStringLiteral("/");
    return name.mid(first + 1, third - first - 1) + u'!';
}

}  // namespace

QString cardRecordName(const QString& path) {
    const QStringList names = cardMatchNames(path);
    return names.size() > 1 ? names[1] : QString();
}

QString ReceivedCardFile::datedName() const {
    return matchName.isEmpty() || dateAndTimeOf(name).endsWith(u'!') ? name : matchName;
}

std::vector<ReceivedCardFile> receivedCardFiles(const QString& folder,
                                                const ReceivedListSettings& settings) {
    const QString oldest = settings.oldestDate.left(8).remove(u'/');
    const bool limited = oldest != u"000000";
    std::vector<std::pair<QString, ReceivedCardFile>> keyed;
    QDirIterator it(folder, {QStringLiteral("*.jpg")}, QDir::Files);
    while (it.hasNext()) {
        const QFileInfo file(it.nextFileInfo());
        if (file.size() <= kMaxNonCardBytes) continue;
        ReceivedCardFile card;
        card.name = file.completeBaseName().toUpper() + QStringLiteral(".jpg");
        card.fileTime = file.lastModified().toString(QStringLiteral("yy/MM/dd HH:mm"));
        card.matchName = cardRecordName(file.filePath());
        const QString when = dateAndTimeOf(card.datedName());
        if (limited && when.left(6) < oldest) continue;
        QString key;
        if (settings.order == 0) {
            key = card.fileTime + u'!';
        } else if (settings.order == 1) {
            if (!when.endsWith(u'!')) continue;  // no date and time to sort by
            key = when;
        }
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

QString receivedListStatus(int shown, const ReceivedList& counts, bool asBuilt) {
    QString text = QStringLiteral(" %1個の電子QSL").arg(shown);
    if (!asBuilt) return text;
    text += QStringLiteral("（◎＝%1個").arg(counts.marked);
    if (!(counts.matched == 0 && counts.unmatched > 0 && counts.unissued > 0))
        text += QStringLiteral(", ○＝%1個").arg(counts.matched);
    if (counts.unmatched > 0) text += QStringLiteral(", ■×＝%1個").arg(counts.unmatched);
    if (counts.unissued > 0) text += QStringLiteral(", 未発行＝%1件").arg(counts.unissued);
    return text + u'）';
}

QString ReceivedRow::commaText() const {
    QStringList items{mark, name, fileTime, record};
    items += details;
    return commaTextJoin(items);
}

ReceivedList matchReceivedCards(const std::vector<ReceivedCardFile>& files, ZkwHandle& log,
                                const ReceivedListSettings& settings, const ModesAgree& modesAgree,
                                ProgressPort* progress) {
    ReceivedList list;
    list.rows.reserve(files.size());
    std::optional<SqliteReadSnapshot> snapshot;
    if (log.store) snapshot.emplace(log.store->db());
    const qint64 tolerance = matchToleranceSeconds(settings.toleranceMinutes);
    const int count = static_cast<int>(files.size());
    for (const ReceivedCardFile& file : files) {
        if (progress && list.rows.size() % 64 == 0)
            progress->setPosition(count + static_cast<int>(list.rows.size()));
        // The name decides (a card renamed to its QSO, the forced match,
        // goes with that QSO); the record inside the picture helps only where
        // the name matches nothing (a card renamed by its receiver).
        QString matchedBy = file.name;
        CardMatch found = matchCard(log, file.name, tolerance, modesAgree);
        if (!found.matched() && !file.matchName.isEmpty())
            if (CardMatch byRecord = matchCard(log, file.matchName, tolerance, modesAgree);
                byRecord.matched()) {
                found = byRecord;
                matchedBy = file.matchName;
            }
        ReceivedRow row;
        row.name = file.name;
        row.fileTime = file.fileTime;
        // Unmatched, it is explained by the name that has a date and a time.
        row.matchName = found.matched() ? matchedBy : file.datedName();
        const int index = static_cast<int>(list.rows.size());
        if (found.matched()) {
            const QsoRecord& q = found.qso;
            const bool received = q.qslRcvd != u' ';
            row.mark = (received ? QStringLiteral("◎") : QStringLiteral("○")) + q.qslField() + u' ';
            row.record = QString::number(found.recno);
            row.recno = found.recno;
            if (settings.details) {
                // The detail fields are read with the record in full.
                if (ZKW_read(log, found.recno, read_mode::List) == 0)
                    row.details = {log.rec.code, log.rec.name, log.rec.qth, log.rec.remarks1,
                                   log.rec.remarks2};
            }
            ++(received ? list.marked : list.matched);
            if (!received && list.firstOpen < 0) list.firstOpen = index;
            if (q.qslSent == u' ') {
                ++list.unissued;
                if (list.firstUnissued < 0) list.firstUnissued = index;
            }
        } else {
            row.mark = QStringLiteral("■×");
            row.record = found.verdict == 0 ? QStringLiteral("無し") : QStringLiteral("不一致");
            ++list.unmatched;
            if (list.firstOpen < 0) list.firstOpen = index;
        }
        list.rows.push_back(std::move(row));
    }
    return list;
}

ListLog::ListLog(const QString& qsoData, LoggingProgram& loggingProgram, int expectedRecordCount)
    : log_(std::make_unique<ZkwHandle>()), loggingProgram_(loggingProgram) {
    loggingProgram_.beginLogAccess();
    if (ZelkovOpen(0, *log_, qsoData, 0) != 0) {
        ShowMsgBox(nullptr, QStringLiteral("ファイルメニューからQSOデータを開いてください。"),
                   app::title(), mb::Ok | mb::IconExclamation);
        ZelkovClose(*log_, 0);
        loggingProgram_.endLogAccess();
        return;
    }
    open_ = true;
    if (expectedRecordCount > 0 && expectedRecordCount != log_->recordCount)
        ShowMsgBox(
            nullptr,
            QStringLiteral("ZELKOV/Win のQSOデータと一致しません！\r\rZELKOV/Win "
                           "が使用しているQSOデータを\rファイルメニューから開いてください。"),
            app::title(), mb::Ok | mb::IconExclamation);
}

ListLog::~ListLog() {
    if (!open_) return;
    ZelkovClose(*log_, 0);
    loggingProgram_.endLogAccess();
}

ReceivedListBuild BuildReceivedList(const ReceivedListJob& job, LoggingProgram& loggingProgram,
                                    ProgressPort& progress, int expectedRecordCount) {
    ReceivedListBuild build;
    const std::vector<ReceivedCardFile> files = receivedCardFiles(job.receivedDir, job.settings);
    if (files.empty()) {
        ShowMsgBox(nullptr,
                   QDir::toNativeSeparators(job.receivedDir) +
                       QStringLiteral(" フォルダに該当電子QSLはありません！"),
                   app::title(), mb::Ok | mb::IconExclamation);
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
    build.list = matchReceivedCards(files, log.handle(), job.settings, job.modesAgree, &progress);
    progress.setVisible(false);
    build.end = ReceivedListBuild::End::Built;
    return build;
}
