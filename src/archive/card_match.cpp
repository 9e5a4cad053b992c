#include "archive/card_match.h"

#include "core/app_info.h"
#include "core/msg_box.h"
#include "logdata/zelkov50.h"
#include "logdata/zkw_parse.h"
#include "mail/card_record.h"
#include "render/jpeg_io.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTime>

#include <array>

namespace {

// Where the first `count` "_" of the name stand; fewer found: the rest -1.
template <size_t N>
std::array<qsizetype, N> underscores(const QString& name) {
    std::array<qsizetype, N> at;
    at.fill(-1);
    qsizetype from = 0;
    for (size_t i = 0; i < N; ++i) {
        at[i] = name.indexOf(u'_', from);
        if (at[i] < 0) break;
        from = at[i] + 1;
    }
    return at;
}

int twoDigits(const QString& text, qsizetype at) {
    if (at < 0 || at + 2 > text.size() || !text[at].isDigit() || !text[at + 1].isDigit()) return -1;
    return text[at].digitValue() * 10 + text[at + 1].digitValue();
}

// A name as the message shows it: a list entry carries ",time" behind it.
QString shownName(const QString& name) {
    const qsizetype cut = name.indexOf(u"g,");
    return cut > 8 ? name.left(cut + 1) : name;
}

}  // namespace

QDateTime qsoJapanTime(const QsoRecord& qso) {
    const int yy = twoDigits(qso.date, 0);
    const QDate date(2000 + yy, twoDigits(qso.date, 3), twoDigits(qso.date, 6));
    const QTime time(twoDigits(qso.time, 0), twoDigits(qso.time, 3));
    if (yy < 0 || !date.isValid() || !time.isValid()) return {};
    if (qso.zone == u'J') return QDateTime(date, time);
    return QDateTime(date, time, Qt::UTC).toLocalTime();
}

CardNameFields cardNameFields(const QString& fileName) {
    CardNameFields fields;
    const auto at = underscores<4>(fileName);
    if (at[3] < 0) return fields;
    fields.band = fileName.mid(at[2] + 1, 12).section(u'_', 0, 0);
    if (const qsizetype dash = fields.band.indexOf(u'-'); dash >= 0) fields.band[dash] = u'/';
    fields.mode = fileName.mid(at[3] + 1, 12).section(u'_', 0, 0);
    const int yy = twoDigits(fileName, at[0] + 1);
    const QDate date(2000 + yy, twoDigits(fileName, at[0] + 3), twoDigits(fileName, at[0] + 5));
    const QTime time(twoDigits(fileName, at[1] + 1), twoDigits(fileName, at[1] + 3));
    if (yy >= 0 && date.isValid() && time.isValid()) fields.at = QDateTime(date, time);
    return fields;
}

QStringList cardMatchNames(const QString& path) {
    const auto matchForm = [](const QString& name) {
        return QFileInfo(name).completeBaseName().toUpper() + QStringLiteral(".jpg");
    };
    const QString own = matchForm(QFileInfo(path).fileName());
    for (const QByteArray& comment : jpegCommentsOf(path))
        if (const std::optional<CardRecord> record = cardRecordFromComment(comment)) {
            const QString inside = matchForm(cardNameOfRecord(*record));
            return inside == own ? QStringList{own} : QStringList{own, inside};
        }
    return {own};
}

qint64 matchToleranceSeconds(int toleranceMinutes) {
    return qint64{toleranceMinutes} * 60 + 1;
}

bool MatchCardDateTime(const QString& fileName, const QsoRecord& qso, qint64 toleranceSeconds,
                       QString& band, QString& mode) {
    const auto at = underscores<4>(fileName);
    if (at[2] < 0) return false;
    // The band as far as 12 characters reach ("430-440" stands for
    // "430/440"); the band check reads its leading number.
    band = fileName.mid(at[2] + 1, 12);
    if (const qsizetype dash = band.indexOf(u'-'); dash >= 0) band[dash] = u'/';
    if (at[3] < 0) return false;
    mode = fileName.mid(at[3] + 1, 12).section(u'_', 0, 0);
    if (qso.time.trimmed().isEmpty()) return false;

    const QDateTime qsoAt = qsoJapanTime(qso);
    if (!qsoAt.isValid()) {
        ShowMsgBox(nullptr,
                   QStringLiteral("QSOデータの日付または時刻が不正です！\r\rNo%1　%2　%3　%4")
                       .arg(qso.recno)
                       .arg(qso.call, qso.date, qso.time),
                   app::title(), mb::Ok | mb::IconStop);
        band.clear();
        return false;
    }
    const QDate cardDate(2000 + twoDigits(fileName, at[0] + 1), twoDigits(fileName, at[0] + 3),
                         twoDigits(fileName, at[0] + 5));
    const QTime cardTime(twoDigits(fileName, at[1] + 1), twoDigits(fileName, at[1] + 3));
    if (twoDigits(fileName, at[0] + 1) < 0 || !cardDate.isValid() || !cardTime.isValid()) {
        ShowMsgBox(nullptr,
                   QStringLiteral("ファイル名が不正な日付または時刻の電子QSLです！\r\r") +
                       shownName(fileName),
                   app::title(), mb::Ok | mb::IconStop);
        band.clear();
        return false;
    }
    const qint64 apart = qsoAt.secsTo(QDateTime(cardDate, cardTime));
    return -toleranceSeconds <= apart && apart <= toleranceSeconds;
}

QString cardIndexKey(const QString& fileName) {
    QString key = fileName.left(6).leftJustified(6, u' ');
    if (key[4] == u'_') {
        key[4] = u' ';
        key[5] = u' ';
    } else if (key[5] == u'_') {
        key[5] = u' ';
    }
    return key;
}

CardMatch matchCard(ZkwHandle& log, const QString& fileName, qint64 toleranceSeconds,
                    const ModesAgree& modesAgree) {
    return matchCardOfKey(log, fileName, cardIndexKey(fileName), toleranceSeconds, modesAgree,
                          false);
}

int cardQsoVerdict(const QString& matchName, const QsoRecord& qso, qint64 toleranceSeconds,
                   const ModesAgree& modesAgree, QString* bandOut) {
    int verdict = 1;
    QString band, mode;
    if (MatchCardDateTime(matchName, qso, toleranceSeconds, band, mode) && !band.isEmpty())
        verdict |= 2;
    // The band field of the name (the band text runs on into the mode).
    if (!band.isEmpty() && FreqPCheck(band.section(u'_', 0, 0)) == FreqPCheck(qso.freq))
        verdict |= 4;
    if (modesAgree(qso.mode, mode)) verdict |= 8;
    if (bandOut) *bandOut = band;
    return verdict;
}

bool isLastCenturyQso(const QsoRecord& qso) {
    return twoDigits(qso.date, 0) >= 50;
}

void walkCallQsos(ZkwHandle& log, const CallWalk& walk,
                  const std::function<bool(int recno, const QsoRecord& qso)>& visit) {
    log.index.store = log.store.get();
    // Bounded by the log: the index walk steps one record back each time.
    int guard = walk.limit > 0 ? walk.limit : log.recordCount + 1;
    const int lowest = std::max(walk.lowestRecord, 1);
    const QString oldest = walk.oldestDate.left(8);
    for (int recno = idxLsearch(log.index, walk.key); recno >= lowest && guard-- > 0;
         recno = idx_back(log.index)) {
        if (ZKW_read(log, recno, read_mode::IndexWalk) != 0) return;
        const QsoRecord& qso = log.rec;
        if (qso.key6() != walk.key) return;
        if (isLastCenturyQso(qso)) {
            if (walk.lastCentury == CallWalk::LastCentury::EndWalk) return;
            if (walk.lastCentury == CallWalk::LastCentury::Skip) continue;
        }
        if (!oldest.isEmpty() && qso.date.left(8) < oldest) return;
        if (!visit(recno, qso)) return;
    }
}

CardMatch matchCardOfKey(ZkwHandle& log, const QString& fileName, const QString& key,
                         qint64 toleranceSeconds, const ModesAgree& modesAgree,
                         bool stopWithoutBand) {
    CardMatch result;
    // 1950-1999: never a match.
    walkCallQsos(log, {key}, [&](int recno, const QsoRecord& qso) {
        QString band;
        result.verdict = cardQsoVerdict(fileName, qso, toleranceSeconds, modesAgree, &band);
        if (stopWithoutBand && band.isEmpty()) return false;
        if (!result.matched()) return true;
        result.recno = recno;
        result.qso = qso;
        return false;
    });
    return result;
}

std::optional<QString> FindReceivedCardForQso(const QString& pattern, const QsoRecord& qso,
                                              qint64 toleranceSeconds,
                                              const ModesAgree& modesAgree) {
    const QFileInfo where(pattern);
    const QDir folder = where.dir();
    const QStringList names = folder.entryList({where.fileName()}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        if (QFileInfo(folder.filePath(name)).size() <= kMaxNonCardBytes) continue;
        // By the name, else by the QSO inside the picture.
        for (const QString& matchName : cardMatchNames(folder.filePath(name)))
            if (cardQsoVerdict(matchName, qso, toleranceSeconds, modesAgree) == 15)
                return folder.filePath(name);
    }
    return std::nullopt;
}

int ReceivedCardRecordOfQso(QString& pattern, const QsoRecord& qso, const QString& qsoData,
                            qint64 toleranceSeconds, const ModesAgree& modesAgree,
                            LoggingProgram& loggingProgram) {
    const std::optional<QString> card =
        FindReceivedCardForQso(pattern, qso, toleranceSeconds, modesAgree);
    if (!card) return 0;
    pattern = *card;
    // The QSO the card matches in the log; none (0) when the log holds no
    // such QSO: the card is then shown, and no other record named.
    int recno = 0;
    loggingProgram.beginLogAccess();
    ZkwHandle log;
    if (ZelkovOpen(0, log, qsoData, 0) == 0) {
        const CardMatch found =
            matchCard(log, QFileInfo(*card).fileName().toUpper(), toleranceSeconds, modesAgree);
        if (found.matched()) recno = found.recno;
    }
    ZelkovClose(log, 0);
    loggingProgram.endLogAccess();
    return recno;
}

QString cardFilePath(const QString& folder, const QString& shownName) {
    const QDir dir(folder);
    if (QFileInfo::exists(dir.filePath(shownName))) return dir.filePath(shownName);
    // Bounded by the folder's cards of that call.
    const QString pattern = shownName.left(6).replace(u'?', u'*') + u'*';
    QDirIterator it(folder, {pattern}, QDir::Files);
    while (it.hasNext()) {
        const QString name = QFileInfo(it.next()).fileName();
        if (name.compare(shownName, Qt::CaseInsensitive) == 0) return dir.filePath(name);
    }
    return dir.filePath(shownName);
}
