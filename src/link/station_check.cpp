#include "link/station_check.h"

#include "core/app_info.h"
#include "core/msg_box.h"
#include "logdata/user_list.h"
#include "server/novq_requests.h"

#include <QRegularExpression>

StationCheck stationCheckFrom(const QString& call, const ServerReply& reply, StationRequest request,
                              bool inUserList, const QString& edition) {
    StationCheck check;
    if (!reply.ok()) return check;
    check.answered = true;
    const ZkUserInfo info = parseZkUser(reply.payload);
    if (!info.edit) {
        check.message = call + QStringLiteral(" 局は、ZELKOVユーザー登録されていません！");
        return check;
    }
    if (!info.member()) {
        check.message = call + QStringLiteral(
                                   " 局はユーザー登録されていますが、\r\rZELKOV E-Mail QSL "
                                   "には参加していません。");
        return check;
    }
    check.member = true;
    if (request == StationRequest::RegistrationCheck) {
        check.message = call.leftJustified(6, u' ') +
                        QStringLiteral(" 局は ZELKOV E-Mail QSL に登録済みです。\r");
        if (!inUserList) check.message += edition + QStringLiteral("版には未掲載です！");
    }
    return check;
}

std::optional<SendResult> CheckStationAndSend(THTTPDown& http, const ServerAccount& account,
                                              const QString& call, StationRequest request,
                                              const QString& userListPath,
                                              const std::function<SendResult()>& sendCard) {
    const ServerReply reply = isZkUser(http, account, call);
    bool inUserList = false;
    QString edition;
    if (request == StationRequest::RegistrationCheck && reply.ok()) {
        UserHandle users;
        if (openUserList(users, userListPath) == 0) {
            edition = users.edition;
            inUserList = User_Seek(users, call) > 0;
        }
        User_close(users);
    }
    const StationCheck check = stationCheckFrom(call, reply, request, inUserList, edition);
    if (!check.message.isEmpty())
        ShowMsgBox(nullptr, check.message, app::title(), mb::Ok | mb::IconInformation);
    if (!check.member || request != StationRequest::Send || !sendCard) return std::nullopt;
    return sendCard();
}

QuietSend sendIfMember(THTTPDown& http, const ServerAccount& account, const QString& call,
                       const std::function<SendResult()>& sendCard) {
    QuietSend quiet;
    const ServerReply reply = isZkUser(http, account, call);
    const StationCheck check = stationCheckFrom(call, reply, StationRequest::Send, true, {});
    if (!check.answered) {
        quiet.note = QStringLiteral("サーバーに問い合わせできません（%1）")
                         .arg(reply.status > 0 ? QStringLiteral("HTTP %1").arg(reply.status)
                                               : QStringLiteral("応答なし"));
        return quiet;
    }
    if (!check.member) {
        quiet.outcome = QuietSend::Outcome::NotMember;
        quiet.note = QString(check.message).replace(u'\r', QString()).simplified();
        return quiet;
    }
    quiet.result = sendCard();
    const SendResult& r = quiet.result;
    if (r.sent > 0) {
        quiet.outcome = QuietSend::Outcome::Sent;
        quiet.note = QStringLiteral("電子QSLを送信しました");
    } else if (r.end == SendResult::End::Sent && !r.failed) {
        quiet.outcome = QuietSend::Outcome::Declined;
        quiet.note = QStringLiteral("送信を取りやめました");
    } else {
        quiet.outcome = QuietSend::Outcome::NotSent;
        quiet.note = QStringLiteral("送信できませんでした");
        // The summary's reasons that count something ("・すでにQSL発行済み 1局").
        QStringList reasons;
        for (const QString& line : r.summary.split(u'\r'))
            if (line.startsWith(u'・') &&
                !line.contains(QRegularExpression(QStringLiteral("[^0-9]0局"))))
                reasons << line.mid(1).simplified();
        if (!reasons.isEmpty()) quiet.note += QStringLiteral("（") + reasons.join(u'、') + u'）';
    }
    return quiet;
}
