#include "app/startup_checks.h"

#include "app/main_state.h"
#include "core/msg_box.h"
#include "core/zk_dll5.h"
#include "exchange/send_journal.h"
#include "exchange/sent_mark.h"
#include "settings/comm_settings.h"
#include "settings/kankyo.h"

#include <QLocale>
#include <QStringList>

std::optional<QString> libraryVersionMessage(int logLibraryVersion, int mailLibraryVersion) {
    if (mailLibraryVersion < 404) return QStringLiteral("nMail.DLL が古いです！");
    if (logLibraryVersion < 344836) return QStringLiteral("ZELKOV50.DLL が古いです！");
    return std::nullopt;
}

std::optional<QString> userListAgeMessage(const QString& edition, QDate today) {
    const qsizetype at = edition.indexOf(QStringLiteral("20"));
    if (at < 0) return std::nullopt;
    const int year = StrToLong(QStringView(edition).sliced(at));
    const int month = StrToLong(QStringView(edition).sliced(std::min(at + 5, edition.size())));
    const int day = StrToLong(QStringView(edition).sliced(std::min(at + 8, edition.size())));
    const int age =
        (today.year() * 365 + today.month() * 30 + today.day()) - (year * 365 + month * 30 + day);
    if (age <= 30) return std::nullopt;
    return edition + QStringLiteral("版\r\r") +
           QStringLiteral(
               "ZELKOVユーザーリストが古くなってきましたので、最新版を使用してください。");
}

std::optional<QString> sameFoldersMessage(const QString& receivedDir, const QString& sentDir) {
    if (receivedDir.compare(sentDir, Qt::CaseInsensitive) != 0) return std::nullopt;
    return QStringLiteral(
               "[受信]フォルダと[送信]フォルダが同じです！\r\rファイルメニューで別のフォルダを設定"
               "してください。\r\r") +
           receivedDir;
}

std::optional<QString> timeZoneMessage(const QTimeZone& zone, const QDateTime& at) {
    if (!zone.isValid()) return std::nullopt;
    const int offset = zone.standardTimeOffset(at);
    if (offset == 9 * 3600) return std::nullopt;
    const int hours = offset / 3600;
    const QString signedHours = (offset < 0 ? QStringLiteral("－") : QStringLiteral("＋")) +
                                QString::number(std::abs(hours));
    QString name = zone.displayName(QTimeZone::StandardTime, QTimeZone::LongName,
                                    QLocale(QLocale::Japanese, QLocale::Japan));
    if (name.isEmpty()) name = QString::fromUtf8(zone.id());
    return QStringLiteral("タイムゾーン＝（UTC%1時間）%2\r\rJSTとUTCが９時間差になっていません！")
        .arg(signedHours, name);
}

bool communicationSettingsIncomplete(const CommSettings& settings) {
    return settings.incomplete();
}

bool skipsTimeZoneCheck(const QStringList& arguments) {
    return !arguments.isEmpty() && arguments.front().compare(u"-T", Qt::CaseInsensitive) == 0;
}

std::vector<ShownCheck> checksOnceShown(const MainState& state,
                                        const EnvironmentSettings& environment,
                                        const CommSettings& communication, const QDateTime& now,
                                        const QTimeZone& zone, bool beforeSend) {
    std::vector<ShownCheck> checks;
    // A send killed between a card's mail and its mark: marked when the
    // server had taken it, else named.
    SentMarkRules rules;
    rules.rule = environment.sentMarkRule;
    rules.markAlreadySent = environment.markAlreadySent;
    rules.eligibleMarks = environment.eligibleSentMarks;
    // Before a send, the cards that may have gone out are asked about by the
    // send itself: not named here too.
    if (const auto left = SendJournal::settleLeftOver(state.qsoData, rules, nullptr,
                                                      state.folders.sentDir, nullptr, !beforeSend))
        checks.push_back({*left, mb::IconExclamation});
    if (!state.serviceDecides())
        if (const auto age = userListAgeMessage(state.userEdition, now.date()))
            checks.push_back({*age, mb::IconInformation});
    if (const auto same = sameFoldersMessage(state.folders.receivedDir, state.folders.sentDir))
        checks.push_back({*same, mb::IconStop});
    if (communicationSettingsIncomplete(communication)) checks.push_back({QString(), 0});
    if (!state.skipTimeZoneCheck)
        if (const auto wrong = timeZoneMessage(zone, now)) checks.push_back({*wrong, mb::IconStop});
    return checks;
}
