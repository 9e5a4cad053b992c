// The mail library against real Postfix and Dovecot on loopback.

#include "mail/n_mail.h"
#include "mail/qsl_mail_format.h"
#include "test_support.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <thread>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class MailServersTest : public ::testing::Test {
protected:
    MailServers servers = mailServers(QStringLiteral(SENDVIK_MAIL_ENV));
    Sandbox box;

    void SetUp() override {
        ASSERT_TRUE(servers.valid()) << "mail servers not running (ctest starts them)";
        ASSERT_GE(servers.users.size(), 3);
        NMailInitializeWinSock();
        options.caFile = servers.caFile;
        options.timeoutSeconds = 10;
        for (int u = 0; u < 3; ++u)
            emptyMailbox(u);
    }

    std::unique_ptr<NMailConnection> pop3(int user, int ssl = nmail_ssl::Implicit, int apop = 0) {
        const int port =
            ssl == nmail_ssl::StartTls || ssl == nmail_ssl::None ? servers.pop3 : servers.pop3s;
        auto c = NMailPop3ConnectSsl(servers.host, port, ssl, options);
        EXPECT_TRUE(c->isOpen()) << c->message().toStdString();
        lastCount = NMailPop3Authenticate(*c, servers.users[user], servers.passwords[user], apop);
        return c;
    }

    void emptyMailbox(int user) {
        const auto c = pop3(user);
        for (int i = 1; i <= lastCount; ++i)
            EXPECT_EQ(NMailPop3DeleteMail(*c, i), 0);
    }

    // Delivery is asynchronous: wait until the mailbox holds n mails.
    int waitFor(int user, int n) {
        QElapsedTimer t;
        t.start();
        int count = 0;
        while (t.elapsed() < 10000) {
            pop3(user);
            count = lastCount;
            if (count >= n) break;
            QThread::msleep(50);
        }
        return count;
    }

    std::unique_ptr<NMailConnection> smtp(int user, int ssl = nmail_ssl::Implicit,
                                          int method = nmail_auth::Automatic) {
        const int port = ssl == nmail_ssl::StartTls ? servers.smtp : servers.smtps;
        auto c = NMailSmtpConnectSsl(servers.host, port, ssl, options);
        EXPECT_TRUE(c->isOpen()) << c->message().toStdString();
        EXPECT_EQ(NMailSmtpAuthenticate(*c, servers.host, servers.users[user],
                                        servers.passwords[user], method),
                  0)
            << c->message().toStdString();
        return c;
    }

    MailOptions options;
    int lastCount = 0;
};

TEST_F(MailServersTest, ACardMailReachesTheOtherStationIntact) {
    const QByteArray jpeg = readBytes(dataFile(u"jpeg/tower_baseline.jpg"_s));
    const QString card = box.path(u"JR1ABC_240401_0830_7.041_CW_JR2XYZ.jpg"_s);
    writeBytes(card, jpeg);
    const QString subject = cardSubject(u"JR1ABC"_s, u"240401"_s) + u" 局長より"_s;
    const QString body = cardMailBody(u"2025/11/01"_s, {u"To Radio:JR2XYZ　Confirming Our QSO"_s},
                                      u"ありがとう"_s, true);
    {
        const auto c = smtp(0);
        QString result;
        ASSERT_EQ(NMailSmtpSendMailEx(*c, servers.users[1], servers.users[0], subject, body,
                                      cardXMailer(u"240401"_s), card, &result),
                  0)
            << result.toStdString();
        EXPECT_EQ(NMailSmtpClose(*c), 0);
    }
    ASSERT_EQ(waitFor(1, 1), 1);

    const auto p = pop3(1);
    ASSERT_EQ(lastCount, 1);
    QString s, date, from, header, text, name, mailer;
    ASSERT_EQ(NMailPop3GetMailStatus(*p, 1, s, date, from, header), 1);
    EXPECT_EQ(s, subject);
    ASSERT_NE(NMailGetHeaderField(mailer, header, u"X-Mailer:"_s, 4096), 0);
    EXPECT_TRUE(isCardMailer(mailer));
    EXPECT_EQ(cardMailerYyMm(mailer), 2404);
    EXPECT_GT(NMailPop3GetMailSize(*p, 1), jpeg.size());
    const QString inbox = box.path(u"in"_s);
    QDir().mkpath(inbox);
    ASSERT_EQ(NMailPop3GetMail(*p, 1, s, date, from, header, text, inbox, name), 1);
    EXPECT_EQ(name, u"JR1ABC_240401_0830_7.041_CW_JR2XYZ.jpg"_s);
    EXPECT_EQ(readBytes(inbox + u'/' + name), jpeg);
    EXPECT_EQ(text, body);
    EXPECT_TRUE(from.contains(servers.users[0]));
    EXPECT_EQ(NMailPop3DeleteMail(*p, 1), 0);
    EXPECT_EQ(NMailPop3Close(*p), 0);  // QUIT commits the deletion
    pop3(1);
    EXPECT_EQ(lastCount, 0);
}

TEST_F(MailServersTest, ARefusedRecipientLeavesTheConnectionUsable) {
    const auto c = smtp(0);
    QString result;
    EXPECT_EQ(NMailSmtpSendMailEx(*c, u"nobody@qsl.test"_s, servers.users[0], u"x"_s, u"y"_s,
                                  QString(), QString(), &result),
              nmail_error::Refused);
    EXPECT_TRUE(result.contains(u"550"_s)) << result.toStdString();
    EXPECT_EQ(NMailSmtpSendMailEx(*c, servers.users[2], servers.users[0], u"after"_s, u"y"_s,
                                  QString(), QString(), &result),
              0);
    EXPECT_EQ(NMailSmtpClose(*c), 0);
    EXPECT_EQ(waitFor(2, 1), 1);
}

TEST_F(MailServersTest, WrongPasswordsAndADownServerGiveTheirResults) {
    const auto c = NMailSmtpConnectSsl(servers.host, servers.smtps, nmail_ssl::Implicit, options);
    ASSERT_TRUE(c->isOpen());
    EXPECT_EQ(
        NMailSmtpAuthenticate(*c, servers.host, servers.users[0], u"wrong"_s, nmail_auth::Plain),
        nmail_error::Login);
    EXPECT_TRUE(c->message().startsWith(u"認証に失敗しました"_s)) << c->message().toStdString();
    const auto p = NMailPop3ConnectSsl(servers.host, servers.pop3s, nmail_ssl::Implicit, options);
    EXPECT_EQ(NMailPop3Authenticate(*p, servers.users[1], u"wrong"_s, 0), nmail_error::Login);
    // The server is reached by the login, the session's first command.
    const auto reach = [&](bool pop3, int port, int ssl, const MailOptions& with) {
        if (pop3) {
            const auto link = NMailPop3ConnectSsl(servers.host, port, ssl, with);
            return std::pair{
                NMailPop3Authenticate(*link, servers.users[1], servers.passwords[1], 0),
                link->message()};
        }
        const auto link = NMailSmtpConnectSsl(servers.host, port, ssl, with);
        return std::pair{NMailSmtpAuthenticate(*link, servers.host, servers.users[0],
                                               servers.passwords[0], nmail_auth::Plain),
                         link->message()};
    };
    const auto [down, downText] = reach(false, 1, nmail_ssl::Implicit, options);
    EXPECT_EQ(down, nmail_error::Connect);
    EXPECT_TRUE(downText.contains(u"接続できません"_s)) << downText.toStdString();
    // TLS on a plain port.
    EXPECT_EQ(reach(true, servers.pop3, nmail_ssl::Implicit, options).first, nmail_error::Connect);
    // A connection made with a CA file that is not the servers' trusts no one,
    // and the one after it, made with the right file, is untouched by it.
    MailOptions wrongCa = options;
    wrongCa.caFile = dataFile(u"jpeg/tower_baseline.jpg"_s);
    EXPECT_EQ(reach(false, servers.smtps, nmail_ssl::Implicit, wrongCa).first,
              nmail_error::Connect);
    EXPECT_EQ(reach(false, servers.smtps, nmail_ssl::Implicit, options).first, 0);
    // A closed connection refuses further use with a text that says so.
    EXPECT_EQ(NMailPop3Close(*p), 0);
    EXPECT_EQ(NMailPop3GetMailSize(*p, 1), nmail_error::Handle);
    EXPECT_EQ(NMailPop3DeleteMail(*p, 1), nmail_error::Handle);
    EXPECT_FALSE(p->message().isEmpty());
}

TEST_F(MailServersTest, EveryTlsModeAndLoginMethodWorks) {
    for (int method : {nmail_auth::Plain, nmail_auth::Login, nmail_auth::CramMd5}) {
        smtp(0, nmail_ssl::StartTls, method);
        smtp(0, nmail_ssl::Implicit, method);
    }
    smtp(0, nmail_ssl::Tls12);
    smtp(0, nmail_ssl::Tls13);
    for (int ssl : {nmail_ssl::Implicit, nmail_ssl::StartTls, nmail_ssl::Tls12, nmail_ssl::Tls13,
                    nmail_ssl::None}) {
        pop3(1, ssl);
        EXPECT_EQ(lastCount, 0) << ssl;
    }
    const auto apop = pop3(1, nmail_ssl::Implicit, -1);
    EXPECT_EQ(lastCount, 0) << apop->message().toStdString();
}

TEST_F(MailServersTest, AConnectionThatDropsIsReported) {
    // A server that accepts and hangs up at once.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    socklen_t len = sizeof addr;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    ::listen(listener, 4);
    std::thread server([listener] {
        for (int i = 0; i < 2; ++i) {
            const int s = ::accept(listener, nullptr, nullptr);
            if (s >= 0) ::close(s);
        }
    });
    const int port = ntohs(addr.sin_port);
    const auto pop3 = NMailPop3ConnectSsl(u"127.0.0.1"_s, port, nmail_ssl::None, options);
    EXPECT_LT(NMailPop3Authenticate(*pop3, u"a"_s, u"b"_s, 0), 0);
    const auto smtp = NMailSmtpConnectSsl(u"127.0.0.1"_s, port, nmail_ssl::Implicit, options);
    EXPECT_EQ(NMailSmtpAuthenticate(*smtp, u"127.0.0.1"_s, u"a"_s, u"b"_s, nmail_auth::Plain),
              nmail_error::Connect);
    EXPECT_FALSE(smtp->message().isEmpty());
    server.join();
    ::close(listener);
}

}  // namespace

namespace {

TEST_F(MailServersTest, AHostileAttachmentNameStaysInsideItsFolder) {
    // A mail whose attachment is named to climb out of the folder, sent raw.
    const QByteArray raw =
        "From: " + servers.users[0].toUtf8() + "\r\nTo: " + servers.users[1].toUtf8() +
        "\r\nSubject: hostile\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\nContent-Type: "
        "text/plain\r\n\r\nhi\r\n"
        "--b\r\nContent-Type: image/jpeg\r\nContent-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment; "
        "filename=\"../../escape.jpg\"\r\n\r\n/9j/4AAQ\r\n--b--\r\n";
    writeBytes(box.path(u"hostile.eml"_s), raw);
    QProcess curl;
    curl.start(u"curl"_s,
               {u"-s"_s, u"--cacert"_s, servers.caFile, u"--user"_s,
                servers.users[0] + u':' + servers.passwords[0], u"--mail-from"_s, servers.users[0],
                u"--mail-rcpt"_s, servers.users[1], u"-T"_s, box.path(u"hostile.eml"_s),
                QStringLiteral("smtps://%1:%2").arg(servers.host).arg(servers.smtps)});
    ASSERT_TRUE(curl.waitForFinished(30000));
    ASSERT_EQ(curl.exitCode(), 0) << curl.readAllStandardError().toStdString();
    ASSERT_EQ(waitFor(1, 1), 1);

    const QString inbox = box.path(u"deep/inbox"_s);
    QDir().mkpath(inbox);
    const auto p = pop3(1);
    QString s, date, from, header, body, name;
    ASSERT_EQ(NMailPop3GetMail(*p, 1, s, date, from, header, body, inbox, name), 1);
    EXPECT_EQ(name, u"escape.jpg"_s);
    EXPECT_TRUE(QFileInfo::exists(inbox + u"/escape.jpg"_s));
    EXPECT_FALSE(QFileInfo::exists(box.path(u"escape.jpg"_s)));
    EXPECT_FALSE(QFileInfo::exists(box.path(u"deep/escape.jpg"_s)));
    EXPECT_EQ(readBytes(inbox + u"/escape.jpg"_s), QByteArray::fromBase64("/9j/4AAQ"));
}

}  // namespace
