#include "archive/near_misses.h"

#include "archive/card_files.h"
#include "archive/card_match.h"
#include "archive/received_list.h"
#include "core/app_info.h"
#include "core/msg_box.h"
#include "logdata/zelkov50.h"
#include "logdata/zkw_parse.h"

#include <QDir>

#include <algorithm>
#include <map>
#include <optional>

namespace {

constexpr int kMaxLooked = 20000;
constexpr size_t kKept = 3;
constexpr size_t kAligned = 64;

qint64 magnitude(const NearQso& n) {
    return n.timeKnown ? std::abs(n.minutesOff) : std::numeric_limits<qint64>::max();
}

QString signedOffset(qint64 minutes) {
    return (minutes >= 0 ? u'+' : u'-') + QString::number(std::abs(minutes)) + u'分';
}

}  // namespace

NearMiss findNearMiss(ZkwHandle& log, const QString& cardName, const QString& matchName,
                      const ModesAgree& modesAgree) {
    NearMiss miss;
    miss.cardName = cardName;
    miss.matchName = matchName.isEmpty() ? cardName : matchName;
    miss.call = miss.matchName.section(u'_', 0, 0);
    const CardNameFields card = cardNameFields(miss.matchName);
    std::vector<NearQso> all;
    // Every QSO of the call, last century's too (nothing is matched here).
    CallWalk walk{cardIndexKey(miss.matchName), CallWalk::LastCentury::Include};
    walk.limit = kMaxLooked;
    walkCallQsos(log, walk, [&](int recno, const QsoRecord& qso) {
        NearQso n;
        n.recno = recno;
        n.qso = qso;
        const QDateTime at = qsoJapanTime(n.qso);
        n.timeKnown = at.isValid() && card.at.isValid();
        if (n.timeKnown) n.minutesOff = at.secsTo(card.at) / 60;
        n.sameBand = !card.band.isEmpty() && FreqPCheck(card.band) == FreqPCheck(n.qso.freq);
        n.sameMode = modesAgree(n.qso.mode, card.mode);
        if (n.sameBand && n.sameMode && n.timeKnown && !isLastCenturyQso(n.qso))
            miss.aligned.push_back(n);
        all.push_back(std::move(n));
        return true;
    });
    const auto nearer = [](const NearQso& a, const NearQso& b) {
        return magnitude(a) < magnitude(b);
    };
    std::stable_sort(all.begin(), all.end(), nearer);
    if (all.size() > kKept) all.resize(kKept);
    miss.nearest = std::move(all);
    std::stable_sort(miss.aligned.begin(), miss.aligned.end(), nearer);
    if (miss.aligned.size() > kAligned) miss.aligned.resize(kAligned);
    return miss;
}

std::vector<NearMiss> explainUnmatched(const std::vector<ReceivedRow>& rows, ZkwHandle& log,
                                       const ModesAgree& modesAgree) {
    std::vector<NearMiss> misses;
    for (const ReceivedRow& row : rows)
        if (row.recno == 0)
            misses.push_back(findNearMiss(log, row.name, row.matchName, modesAgree));
    return misses;
}

QString offsetText(qint64 minutes) {
    minutes = std::abs(minutes);
    const qint64 days = minutes / 1440, hours = minutes / 60 % 24, rest = minutes % 60;
    QString text;
    if (days) text += QStringLiteral("%1日").arg(days);
    if (hours)
        text += (text.isEmpty() ? QString() : QStringLiteral("と")) +
                QStringLiteral("%1時間").arg(hours);
    if (rest || text.isEmpty()) text += QStringLiteral("%1分").arg(rest);
    return text;
}

QStringList nearMissLines(const NearMiss& miss) {
    QStringList lines;
    if (miss.nearest.empty()) {
        lines << QStringLiteral("%1局とのQSOはQSOデータにありません").arg(miss.call);
        return lines;
    }
    for (const NearQso& n : miss.nearest) {
        QStringList differs;
        // The list never matches last century's QSOs: never "一致" here.
        const bool lastCentury = isLastCenturyQso(n.qso);
        if (lastCentury) differs << QStringLiteral("1900年代のQSO（照合の対象外）");
        if (!n.timeKnown)
            differs << QStringLiteral("時刻不明");
        else if (n.minutesOff != 0)
            differs << QStringLiteral("時刻 %1（%2%3）")
                           .arg(signedOffset(n.minutesOff), offsetText(n.minutesOff),
                                n.minutesOff > 0 ? QStringLiteral("遅い") : QStringLiteral("早い"));
        if (!n.sameBand) differs << QStringLiteral("バンド違い");
        if (!n.sameMode) differs << QStringLiteral("モード違い");
        if (differs.isEmpty()) differs << QStringLiteral("一致");
        lines << QStringLiteral("No.%1  %2%3 %4 %5  %6MHz %7  %8")
                     .arg(n.recno)
                     .arg(lastCentury ? QStringLiteral("19") : QStringLiteral("20"), n.qso.date,
                          n.qso.time,
                          n.qso.zone == u'J' ? QStringLiteral("JST") : QStringLiteral("UTC"),
                          n.qso.freq, n.qso.mode, differs.join(QStringLiteral("・")));
    }
    return lines;
}

std::vector<CommonOffset> commonOffsets(const std::vector<NearMiss>& misses,
                                        qint64 toleranceSeconds, int atLeast) {
    std::vector<CommonOffset> found;
    std::vector<bool> taken(misses.size(), false);
    for (const bool byStation : {true, false}) {
        // Bounded: every round takes at least `atLeast` (>= 1) cards.
        while (true) {
            // (call, offset) -> the cards (miss, aligned QSO) that far off.
            std::map<std::pair<QString, qint64>, std::vector<std::pair<size_t, size_t>>> groups;
            for (size_t i = 0; i < misses.size(); ++i) {
                if (taken[i]) continue;
                for (size_t k = 0; k < misses[i].aligned.size(); ++k) {
                    const qint64 off = misses[i].aligned[k].minutesOff;
                    if (std::abs(off) * 60 <= toleranceSeconds) continue;
                    auto& members = groups[{byStation ? misses[i].call : QString(), off}];
                    if (members.empty() || members.back().first != i) members.push_back({i, k});
                }
            }
            const auto best =
                std::max_element(groups.begin(), groups.end(), [](const auto& a, const auto& b) {
                    if (a.second.size() != b.second.size())
                        return a.second.size() < b.second.size();
                    return std::abs(a.first.second) > std::abs(b.first.second);
                });
            if (best == groups.end() || int(best->second.size()) < std::max(atLeast, 1)) break;
            CommonOffset offset;
            offset.minutesOff = best->first.second;
            QStringList calls;
            for (const auto& [i, k] : best->second) {
                taken[i] = true;
                const NearQso& n = misses[i].aligned[k];
                offset.cards.push_back({misses[i].cardName, n.recno, n.qso});
                if (!calls.contains(misses[i].call)) calls << misses[i].call;
            }
            offset.call = calls.size() == 1 ? calls.front() : QString();
            found.push_back(std::move(offset));
        }
    }
    return found;
}

QString commonOffsetText(const CommonOffset& offset) {
    QString text = offset.call.isEmpty() ? QStringLiteral("複数局の電子QSL %1枚は、")
                                         : offset.call + QStringLiteral("局の電子QSL %1枚は、");
    text = text.arg(offset.cards.size()) +
           QStringLiteral("QSOの時刻より %1 %2なっています。")
               .arg(offsetText(offset.minutesOff),
                    offset.minutesOff > 0 ? QStringLiteral("遅く") : QStringLiteral("早く"));
    if (std::abs(offset.minutesOff) == 9 * 60)
        text += offset.minutesOff > 0
                    ? QStringLiteral("（日本時間をUTCとして記録した可能性があります）")
                    : QStringLiteral("（UTCを日本時間として記録した可能性があります）");
    return text;
}

QString forcedMatchName(const QString& cardName, const QsoRecord& qso) {
    const QDateTime at = qsoJapanTime(qso);
    const qsizetype first = cardName.indexOf(u'_');
    const qsizetype second = first < 0 ? -1 : cardName.indexOf(u'_', first + 1);
    const qsizetype third = second < 0 ? -1 : cardName.indexOf(u'_', second + 1);
    // Six fields, as every card name has: sender, date, time, band, mode, receiver.
    if (!at.isValid() || third < 0 || cardName.count(u'_') < 5) return {};
    return cardName.left(first + 1) + at.toString(QStringLiteral("yyMMdd")) + u'_' +
           at.toString(QStringLiteral("HHmm")) + cardName.mid(third);
}

ForcedMatch forceMatch(const CommonOffset& offset, const QString& receivedDir,
                       const QString& messageDir) {
    ForcedMatch done;
    for (const CommonOffset::Pair& pair : offset.cards) {
        const QString file = QFileInfo(cardFilePath(receivedDir, pair.cardName)).fileName();
        const QString renamed = forcedMatchName(file, pair.qso);
        if (!renamed.isEmpty() && acceptableCardRename(file, renamed) &&
            renameCard(receivedDir, messageDir, file, renamed))
            ++done.renamed;
        else
            done.failed << file + QStringLiteral(" → ") +
                               (renamed.isEmpty() ? QStringLiteral("?") : renamed);
    }
    return done;
}

std::optional<std::vector<NearMiss>> nearMissesOf(const NearMissJob& job,
                                                  const std::vector<ReceivedRow>& rows,
                                                  LoggingProgram& loggingProgram) {
    ListLog log(job.qsoData, loggingProgram, 0);
    if (!log.isOpen()) return std::nullopt;
    return explainUnmatched(rows, log.handle(), job.modesAgree);
}

QString proposedCardName(const NearMissJob& job, const std::vector<ReceivedRow>& rows,
                         const QString& cardName, LoggingProgram& loggingProgram) {
    std::vector<ReceivedRow> one;
    for (const ReceivedRow& row : rows)
        if (row.name == cardName && row.recno == 0) one.push_back(row);
    if (one.empty()) return {};
    const std::optional<std::vector<NearMiss>> found = nearMissesOf(job, one, loggingProgram);
    if (!found || found->empty() || found->front().aligned.empty()) return {};
    return forcedMatchName(cardName, found->front().aligned.front().qso);
}

int explainNearMisses(const NearMissJob& job, const std::vector<ReceivedRow>& rows,
                      const QString& current, LoggingProgram& loggingProgram, QObject* owner) {
    const std::optional<std::vector<NearMiss>> found = nearMissesOf(job, rows, loggingProgram);
    if (!found) return 0;
    const std::vector<NearMiss>& misses = *found;
    const auto explained = std::find_if(misses.begin(), misses.end(),
                                        [&](const NearMiss& m) { return m.cardName == current; });
    if (explained != misses.end())
        ShowMsgBox(owner,
                   current + QStringLiteral("\r\r照合できない理由（近いQSO）：\r") +
                       nearMissLines(*explained).join(u'\r'),
                   app::title(), mb::Ok | mb::IconInformation);
    else if (!current.isEmpty())
        ShowMsgBox(owner, current + QStringLiteral("\r\r・・・は照合済みです。"), app::title(),
                   mb::Ok | mb::IconInformation);
    const std::vector<CommonOffset> common =
        commonOffsets(misses, matchToleranceSeconds(job.toleranceMinutes));
    int renamed = 0;
    for (const CommonOffset& offset : common) {
        QStringList names;
        for (const CommonOffset::Pair& pair : offset.cards)
            names << pair.cardName;
        const int shown = 10;
        QString list = QStringList(names.mid(0, shown)).join(u'\r');
        if (names.size() > shown)
            list += QStringLiteral("\r・・・ほか %1枚").arg(names.size() - shown);
        if (ShowMsgBox(owner,
                       commonOffsetText(offset) + QStringLiteral("\r\r") + list +
                           QStringLiteral("\r\rこれらの電子QSLのファイル名をQSOの日時に変更して"
                                          "\r強制的に照合しますか？"),
                       app::title(), mb::YesNo | mb::IconQuestion | mb::DefButton2) != mb::IdYes)
            continue;
        const ForcedMatch done = forceMatch(offset, job.receivedDir, job.messageDir);
        renamed += done.renamed;
        if (!done.failed.isEmpty())
            ShowMsgBox(owner,
                       done.failed.join(u'\r') + QStringLiteral("\r\r・・・には変更できません！"),
                       app::title(), mb::Ok | mb::IconStop);
    }
    if (common.empty() && explained == misses.end())
        ShowMsgBox(owner, QStringLiteral("照合できない電子QSLに共通する時刻のずれはありません。"),
                   app::title(), mb::Ok | mb::IconInformation);
    return renamed;
}
