// The service server's requests against the reference server: bodies,
// credentials, parsing, statuses and their messages, limits and downloads.

#include "server/novq_requests.h"
#include "core/msg_box.h"
#include "server/httplib.h"
#include "test_support.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class NovqRequests : public ::testing::Test {
protected:
    void SetUp() override {
        server = novqServer(QStringLiteral(SENDVIK_NOVQ_ENV));
        ASSERT_TRUE(server.valid()) << "the reference server is not running";
        options.caFile = server.caFile;
        originalUsers = readBytes(server.users);
        QFile::resize(server.log, 0);
        account = {server.base, u"JR1ABC"_s, u"novq-a"_s};
    }
    void TearDown() override { writeBytes(server.users, originalUsers); }
    // The requests the server saw: method, path, user, body.
    QList<QJsonObject> requests() const {
        QList<QJsonObject> out;
        for (const QByteArray& line : readBytes(server.log).split('\n'))
            if (!line.isEmpty()) out << QJsonDocument::fromJson(line).object();
        return out;
    }
    QStringList messages() const {
        QStringList out;
        for (const MessageRequest& m : box.messages.messages())
            out << m.text;
        return out;
    }

    Sandbox box;
    NovqServer server;
    QByteArray originalUsers;
    ServerAccount account;
    // Read by the client at each request, as the program's client reads the
    // saved settings.
    HttpOptions options;
    THTTPDown http{[this] { return options; }};
};

TEST_F(NovqRequests, OwnAddressStationAndRegistrationWithCredentials) {
    const ServerReply own = getMailAddress(http, account);
    EXPECT_EQ(own.status, 200);
    EXPECT_EQ(own.payload, u"jr1abc@qsl.test"_s);
    const QJsonObject seen = requests().at(0);
    EXPECT_EQ(seen[u"method"_s].toString(), u"POST"_s);
    EXPECT_EQ(seen[u"path"_s].toString(), u"/member/novq_510.cgi"_s);
    EXPECT_EQ(seen[u"user"_s].toString(), u"JR1ABC"_s);
    EXPECT_EQ(seen[u"body"_s].toString(), u"callx=Get_Mailad"_s);

    const ServerReply station = isZkUser(http, account, u"JR2XYZ"_s);
    ASSERT_TRUE(station.ok());
    EXPECT_TRUE(parseZkUser(station.payload).edit);
    EXPECT_EQ(parseZkUser(station.payload).address, u"jr2xyz@qsl.test"_s);
    EXPECT_FALSE(parseZkUser(isZkUser(http, account, u"JH3AAA"_s).payload).member());

    // Registering a new address, then withdrawing it.
    EXPECT_TRUE(addMailAddress(http, account, u"new@qsl.test"_s).ok());
    EXPECT_EQ(requests().last()[u"body"_s].toString(),
              u"callx=Add_Mailad&Mail=new@qsl.test&Version=Ver5.12"_s);
    EXPECT_EQ(getMailAddress(http, account).payload, u"new@qsl.test"_s);
    EXPECT_TRUE(addMailAddress(http, account, QString(), false).ok());
    EXPECT_EQ(requests().last()[u"body"_s].toString(), u"callx=Add_Mailad&Mail="_s);
    EXPECT_EQ(getMailAddress(http, account).payload, QString());

    // The status page: tags gone, half-width katakana of EUC-JP kept.
    const ServerReply status = registrationStatus(http, account);
    ASSERT_TRUE(status.ok());
    EXPECT_EQ(status.payload, u"コールサイン：JR1ABC\rメールアドレスは未登録です\rｴﾝﾄﾘｰ済み"_s);
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(NovqRequests, RefusedAndFailedRequestsSayWhy) {
    account.password = u"wrong"_s;
    EXPECT_EQ(getMailAddress(http, account).status, 401);
    // A user name under 3 characters is not sent at all.
    account = {server.base, u"JR"_s, u"novq-a"_s};
    EXPECT_EQ(getMailAddress(http, account).status, 401);
    EXPECT_TRUE(requests().last()[u"user"_s].isNull());
    http.Reset();
    EXPECT_EQ(http.Request(server.base + u"tgw/status/503"_s), 503);
    // A moved page is followed.
    http.Reset();
    EXPECT_EQ(http.Request(server.base + u"tgw/moved"_s), 200);
    EXPECT_TRUE(http.reply.contains("soft/SendvikSetup.exe"));
    // Nothing listens on this port.
    http.Reset();
    EXPECT_EQ(http.Request(u"https://localhost:9/member/x.cgi"_s), 1);
    // "HTTPS:" in capitals is plain HTTP, which the TLS port does not answer.
    http.Reset();
    QString upper = server.base;
    upper.replace(0, 5, u"HTTPS"_s);
    EXPECT_EQ(http.Request(upper + u"tgw/Sendvik.html"_s), 1);
    const QString member = server.base + u"member/"_s;
    EXPECT_EQ(messages(), (QStringList{u"HTTPエラー（No:401）ログインできません！\r\r"_s + member,
                                       u"HTTPエラー（No:401）ログインできません！\r\r"_s + member,
                                       u"HTTPエラー（No:503）アクセスできません！\r\r"_s +
                                           server.base + u"tgw/status/"_s,
                                       u"アクセスできません！\r\rhttps://localhost:9/member/"_s,
                                       u"アクセスできません！\r\r"_s + upper + u"tgw/"_s}));
    EXPECT_EQ(box.messages.messages().front().caption, u"ZELKOV E-Mail QSL"_s);

    // The server's certificate is verified: without its CA nothing is accepted.
    options.caFile.clear();
    http.Reset();
    EXPECT_EQ(http.Request(server.base + u"tgw/Sendvik.html"_s), 1);
}

TEST_F(NovqRequests, ABatchOf85StationsTakesThreeRequests) {
    QJsonObject users = QJsonDocument::fromJson(originalUsers).object();
    QStringList calls;
    for (int i = 0; i < 85; ++i) {
        const QString call = u"JA%1ZZ%2"_s.arg(i % 10).arg(QChar(u'A' + i / 10));
        calls << call + u"  "_s;
        if (i % 2 == 0)
            users[call] = QJsonObject{{u"password"_s, u"x"_s},
                                      {u"address"_s, call.toLower() + u"@qsl.test"_s}};
    }
    writeBytes(server.users, QJsonDocument(users).toJson());
    const MemberAddresses found = memberAddresses(http, account, calls);
    EXPECT_EQ(found.status, 200);
    EXPECT_EQ(found.requests, 3);
    EXPECT_EQ(found.addresses.size(), 43);
    EXPECT_EQ(found.addresses.value(u"JA0ZZA"_s), u"ja0zza@qsl.test"_s);
    EXPECT_FALSE(found.addresses.contains(u"JA1ZZA"_s));
    const QList<QJsonObject> seen = requests();
    ASSERT_EQ(seen.size(), 3);
    EXPECT_EQ(seen[0][u"body"_s].toString().count(u'_'), 40);
    EXPECT_EQ(seen[1][u"body"_s].toString().count(u'_'), 40);
    EXPECT_EQ(seen[2][u"body"_s].toString(), u"callx=JA0ZZI_JA1ZZI_JA2ZZI_JA3ZZI_JA4ZZI_"_s);
}

TEST_F(NovqRequests, SentReportAndNotice) {
    const QString statistic = bandStatistic({u"7FT8"_s, u"7FT8"_s, u"14CW"_s});
    const ServerReply report = sentReport(http, account, 3, statistic);
    ASSERT_TRUE(report.ok());
    EXPECT_EQ(requests().last()[u"body"_s].toString(),
              u"callx=Sent_Qsldt&SntCnt=3&Band=14CW,7FT8:2&Version=Ver5.12"_s);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0], u"3 枚の送信を記録しました。\r\nBand=14CW,7FT8:2"_s);
    EXPECT_EQ(box.messages.messages()[0].flags, mb::IconInformation);

    const NoticePage notice = noticePage(http, server.base, server.base, false);
    EXPECT_EQ(notice.status, 200);
    EXPECT_EQ(notice.notice, u"お知らせ：サーバーは正常に稼働しています。"_s);
    EXPECT_EQ(notice.manualAddress, server.base + u"tgw/qsl/manual.html"_s);
    EXPECT_TRUE(requests().last()[u"user"_s].isNull());
}

TEST_F(NovqRequests, BusySlowEndlessAndHugeReplies) {
    // A second request while one runs returns 1 at once and says nothing.
    int second = 0;
    QTimer::singleShot(50, [&] { second = http.Request(server.base + u"tgw/Sendvik.html"_s); });
    EXPECT_EQ(http.Request(server.base + u"tgw/slow?s=0.5"_s), 200);
    EXPECT_EQ(second, 1);
    EXPECT_TRUE(messages().isEmpty());

    // A reply that does not come within the limit, one that never ends and
    // one larger than any page are no answer, and end in time.
    options.responseTimeoutMs = 500;
    QElapsedTimer clock;
    clock.start();
    http.Reset();
    EXPECT_EQ(http.Request(server.base + u"tgw/slow?s=3"_s), 1);
    http.Reset();
    EXPECT_EQ(http.Request(server.base + u"tgw/endless"_s), 1);
    http.Reset();
    EXPECT_EQ(http.Request(server.base + u"tgw/huge"_s), 1);
    EXPECT_TRUE(http.reply.isEmpty());
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(messages().size(), 3);
}

TEST_F(NovqRequests, DownloadWithProgressAndAnUnwritableTarget) {
    const QString target = box.path(u"SendvikSetup.exe"_s);
    http.Reset();
    http.toFile = true;
    http.target = target;
    http.contentLength = 10;
    QList<qint64> totals;
    http.progress = [&](qint64 total, qint64 length) {
        totals << total;
        EXPECT_EQ(length, 300000);
    };
    EXPECT_EQ(http.Request(server.base + u"tgw/soft/SendvikSetup.exe"_s), 200);
    EXPECT_EQ(QFileInfo(target).size(), 300000);
    EXPECT_EQ(readBytes(target), readBytes(server.dir + u"/soft/SendvikSetup.exe"_s));
    ASSERT_FALSE(totals.isEmpty());
    EXPECT_EQ(totals.last(), 300000);
    EXPECT_TRUE(std::is_sorted(totals.begin(), totals.end()));

    // A missing file on the server leaves nothing behind.
    http.Reset();
    http.toFile = true;
    http.target = box.path(u"missing.exe"_s);
    EXPECT_EQ(http.Request(server.base + u"tgw/soft/missing.exe"_s), 404);
    EXPECT_FALSE(QFile::exists(box.path(u"missing.exe"_s)));

    http.Reset();
    http.toFile = true;
    http.target = box.path(u"no/such/folder/SendvikSetup.exe"_s);
    EXPECT_EQ(http.Request(server.base + u"tgw/soft/SendvikSetup.exe"_s), 3);
    EXPECT_EQ(messages().last(), u"ダウンロードファイルが書き込めません！\r\r"_s + http.target);
}

}  // namespace

namespace {

TEST_F(NovqRequests, TheServerCommandsOfTheCommandLine) {
    const QString home = box.path(u"home"_s);
    auto cli = [&](const QStringList& args, int* code = nullptr) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"SENDVIK_SERVER_BASE"_s, server.base);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(SENDVIK_CLI), QStringList{u"--home"_s, home} + args);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(30000));
        if (code) *code = p.exitCode();
        return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    };
    cli({u"settings"_s, u"set"_s, u"Option"_s, u"Calls"_s, u"JR1ABC"_s});
    cli({u"settings"_s, u"set"_s, u"Option"_s, u"CaFile"_s, server.caFile});
    cli({u"settings"_s, u"words-set"_s, u"Option"_s, u"Pass2"_s, u"novq-a"_s});
    int code = -1;
    EXPECT_EQ(cli({u"server"_s, u"whoami"_s}, &code), u"jr1abc@qsl.test\n"_s);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(cli({u"server"_s, u"check"_s, u"JR2XYZ"_s}),
              u"call=JR2XYZ\nmember=1\naddress=jr2xyz@qsl.test\nedit=1\n"_s);
    EXPECT_EQ(cli({u"server"_s, u"members"_s, u"JH3AAA"_s, u"JR2XYZ"_s, u"JR1ABC"_s}),
              u"call,address\nJR2XYZ,jr2xyz@qsl.test\nJR1ABC,jr1abc@qsl.test\n"_s);
    // A station of the service without an address: said, and no success.
    cli({u"settings"_s, u"set"_s, u"Option"_s, u"Calls"_s, u"JH3AAA"_s});
    cli({u"settings"_s, u"words-set"_s, u"Option"_s, u"Pass2"_s, u"novq-c"_s});
    EXPECT_EQ(cli({u"server"_s, u"whoami"_s}, &code),
              u"sendvik-cli: JH3AAA のメールアドレスは登録されていません\n"_s);
    EXPECT_EQ(code, 1);
    cli({u"settings"_s, u"set"_s, u"Option"_s, u"Calls"_s, u"JR1ABC"_s});
    cli({u"settings"_s, u"words-set"_s, u"Option"_s, u"Pass2"_s, u"wrong"_s});
    const QString refused = cli({u"server"_s, u"whoami"_s}, &code);
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(refused.contains(u"HTTPエラー（No:401）ログインできません！"_s))
        << refused.toStdString();
}

}  // namespace
