#include "server/novq_requests.h"

#include "core/app_info.h"
#include "core/comma_text.h"
#include "core/msg_box.h"
#include "core/shell_open.h"
#include "core/sjis.h"
#include "server/httplib.h"
#include "server/server_payload.h"
#include "settings/comm_settings.h"
#include "settings/kankyo.h"

#include <algorithm>

using namespace Qt::StringLiterals;

ServerAccount serverAccountFrom(const CommSettings& communication,
                                const EnvironmentSettings& environment) {
    return {environment.serverBase(), communication.call, communication.servicePassword};
}

ServerAccount serverAccountFrom(const TZkwIni& settings) {
    EnvironmentSettings environment;
    environment.load(settings, false);
    CommSettings communication;
    communication.load(settings);
    return serverAccountFrom(communication, environment);
}

HttpOptions httpOptionsFrom(const TZkwIni& settings) {
    HttpOptions options;
    options.caFile = CommSettings::storedCaFile(settings);
    return options;
}

namespace novq {
QString memberCgi(const QString& base) {
    return base + u"member/novq_510"_s + u".cgi"_s;
}
}  // namespace novq

namespace {

// One request with the account's credentials (GET without a body); the raw
// reply is in the client on 200.
int ask(THTTPDown& http, const ServerAccount& account, const QString& url,
        const QByteArray& body = {}) {
    http.Reset();
    http.userName = account.call;
    http.password = account.password;
    return http.Request(url, body);
}

// One "callx=" POST to the member CGI.
int post(THTTPDown& http, const ServerAccount& account, const QByteArray& body) {
    return ask(http, account, novq::memberCgi(account.base), body);
}

// Bodies go out as written: the program's text in its code page.
QByteArray bodyText(const QString& text) {
    return sjis::fromUnicode(text);
}

}  // namespace

ServerReply getMailAddress(THTTPDown& http, const ServerAccount& account, bool raw) {
    ServerReply r;
    r.status = post(http, account, "callx=Get_Mailad");
    if (!r.ok()) return r;
    const QByteArray page = raw ? normalizeLineBreaks(http.reply) : serverText(http.reply);
    r.payload = raw ? QString::fromLatin1(cutPPayload(page)) : sjisText(cutPPayload(page));
    return r;
}

ZkUserInfo parseZkUser(const QString& payload) {
    QStringList fields = payload.split(u',');
    while (fields.size() < 4)
        fields << QString();
    ZkUserInfo info;
    info.edit = fields[1].contains(u"Edit"_s);
    info.address = fields[2].trimmed();
    return info;
}

ServerReply isZkUser(THTTPDown& http, const ServerAccount& account, const QString& call) {
    ServerReply r;
    r.status = post(http, account, "callx=Is_ZkUser&User=" + bodyText(call));
    if (r.ok()) r.payload = sjisText(cutPPayload(serverText(http.reply)));
    return r;
}

QByteArray memberRequestBody(const QStringList& calls) {
    QByteArray body = "callx=";
    for (const QString& call : calls) {
        QString trimmed = call;
        while (!trimmed.isEmpty() && trimmed.back().isSpace())
            trimmed.chop(1);
        body += bodyText(trimmed) + '_';
    }
    return body;
}

QString addressInLines(const QString& lines, const QString& call) {
    // The call must be the whole first field: "N1ABC" is no match for a line
    // of JN1ABC's, nor "A1ABC" for one of JA1ABC's.
    const QString key = call.trimmed();
    if (key.isEmpty()) return {};
    for (QStringView line : QStringView(lines).split(u'\n')) {
        const qsizetype comma = line.indexOf(u',');
        if (comma < 0 || line.first(comma).trimmed().compare(key, Qt::CaseInsensitive) != 0)
            continue;
        return line.sliced(comma + 1).split(u',').front().trimmed().toString();
    }
    return {};
}

MemberAddresses memberAddresses(THTTPDown& http, const ServerAccount& account,
                                const QStringList& calls) {
    MemberAddresses result;
    result.status = 200;
    for (qsizetype from = 0; from < calls.size(); from += novq::kBatchSize) {
        const QStringList part = calls.mid(from, novq::kBatchSize);
        ++result.requests;
        result.status = post(http, account, memberRequestBody(part));
        if (result.status != 200) return result;
        result.lines += sjisText(cutPrePayload(serverText(http.reply), 8192));
    }
    for (const QString& call : calls) {
        const QString address = addressInLines(result.lines, call);
        if (!address.isEmpty()) result.addresses.insert(call.trimmed(), address);
    }
    return result;
}

QString bandStatistic(QStringList entries) {
    std::sort(entries.begin(), entries.end());
    QStringList merged;
    for (qsizetype i = 0; i < entries.size();) {
        qsizetype j = i + 1;
        while (j < entries.size() && entries[j] == entries[i])
            ++j;
        merged << (j - i > 1 ? entries[i] + u":%1"_s.arg(j - i) : entries[i]);
        i = j;
    }
    return commaTextJoin(merged);
}

ServerReply sentReport(THTTPDown& http, const ServerAccount& account, int sentCount,
                       const QString& statistic, bool showAnswer) {
    ServerReply r;
    const QString body = u"callx=Sent_Qsldt&SntCnt=%1&Band="_s.arg(sentCount) + statistic +
                         u"&Version="_s + app::versionText();
    r.status = post(http, account, bodyText(body));
    if (!r.ok()) return r;
    const QByteArray page = serverText(http.reply);
    r.payload = sjisText(cutPrePayload(page, 16384));
    if (showAnswer && page.contains("</PRE>"))
        ShowMsgBox(nullptr, r.payload, app::title(), mb::IconInformation);
    return r;
}

ServerReply addMailAddress(THTTPDown& http, const ServerAccount& account, const QString& address,
                           bool withVersion) {
    ServerReply r;
    QString body = u"callx=Add_Mailad&Mail="_s + address;
    if (withVersion) body += u"&Version="_s + app::versionText();
    r.status = post(http, account, bodyText(body));
    if (r.ok()) r.payload = sjisText(cutPPayload(serverText(http.reply)));
    return r;
}

ServerReply registrationStatus(THTTPDown& http, const ServerAccount& account) {
    ServerReply r;
    r.status = ask(http, account, account.base + u"member/userlist.cgi"_s);
    if (r.ok()) r.payload = sjisText(registrationPageText(serverText(http.reply)));
    return r;
}

QString manualAddressIn(const QString& page, const QString& base, const QString& primaryBase,
                        bool alternateInUse) {
    qsizetype start = page.indexOf(u"https://"_s);
    if (start < 0) start = page.indexOf(u"http://"_s);
    if (start < 0) return {};
    const qsizetype end = page.indexOf(u"</"_s, start);
    QString address = page.mid(start, end < 0 ? -1 : end - start);
    if (alternateInUse && !address.contains(base)) address.replace(primaryBase, base);
    return address;
}

NoticePage noticePage(THTTPDown& http, const QString& base, const QString& primaryBase,
                      bool alternateInUse) {
    http.Reset();
    NoticePage notice;
    notice.status = http.Request(base + u"cgi-bin/novqmsg.cgi"_s);
    if (notice.status != 200) return notice;
    const QByteArray page = serverText(http.reply);
    if (page.contains("<PRE>")) notice.notice = sjisText(cutPrePayload(page, 16384));
    notice.manualAddress = manualAddressIn(sjisText(page), base, primaryBase, alternateInUse);
    return notice;
}

void openManual(THTTPDown& http, const QString& base, const QString& primaryBase,
                bool alternateInUse) {
    const NoticePage notice = noticePage(http, base, primaryBase, alternateInUse);
    if (notice.status == 200) {
        if (!notice.notice.isEmpty())
            ShowMsgBox(nullptr, notice.notice, app::title(), mb::IconInformation);
        if (!notice.manualAddress.isEmpty()) ShellOpen(notice.manualAddress);
        return;
    }
    ShellOpen(base + u"tgw/Sendvik.html"_s);
    ShowMsgBox(nullptr, base + u"cgi-bin/novqmsg.cgi"_s, app::title(), mb::IconStop);
}
