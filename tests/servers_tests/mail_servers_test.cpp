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
        NMailSetCaFile(servers.caFile);
        NMailSetOption(nmail_option::Timeout, 10);
        for (int u = 0; u < 3; ++u)
            emptyMailbox(u);
    }

    int pop3(int user, int ssl = nmail_ssl::Implicit, int apop = 0) {
        const int port =
            ssl == nmail_ssl::StartTls || ssl == nmail_ssl::None ? servers.pop3 : servers.pop3s;
        const int c = NMailPop3ConnectSsl(servers.host, port, ssl, 0);
        EXPECT_GE(c, 0) << NMailGetMessage(0).toStdString();
        lastCount = NMailPop3Authenticate(c, servers.users[user], servers.passwords[user], apop);
        return c;
    }

    void emptyMailbox(int user) {
        const int c = pop3(user);
        for (int i = 1; i <= lastCount; ++i)
            NMailPop3DeleteMail(c, i);
        NMailPop3Close(c);
    }

    // Delivery is asynchronous: wait until the mailbox holds n mails.
    int waitFor(int user, int n) {
        QElapsedTimer t;
        t.start();
        int count = 0;
        while (t.elapsed() < 10000) {
            NMailPop3Close(pop3(user));
            count = lastCount;
            if (count >= n) break;
            QThread::msleep(50);
        }
        return count;
    }

    int smtp(int user, int ssl = nmail_ssl::Implicit, int method = nmail_auth::Automatic) {
        const int port = ssl == nmail_ssl::StartTls ? servers.smtp : servers.smtps;
        const int c = NMailSmtpConnectSsl(servers.host, port, ssl, 0);
        EXPECT_GE(c, 0) << NMailGetMessage(0).toStdString();
        EXPECT_EQ(NMailSmtpAuthenticate(c, servers.host, servers.users[user],
                                        servers.passwords[user], method),
                  0)
            << NMailGetMessage(0).toStdString();
        return c;
    }

    int lastCount = 0;
};

TEST_F(MailServersTest, ACardMailReachesTheOtherStationIntact) {
    const QByteArray jpeg = readBytes(dataFile(u"jpeg/tower_baseline.jpg"_s));
    const QString card = box.path(u"JR1ABC_240401_0830_7.041_CW_JR2XYZ.jpg"_s);
    writeBytes(card, jpeg);
    const QString subject = cardSubject(u"JR1ABC"_s, u"240401"_s) + u" 局長より"_s;
    const QString body = cardMailBody(u"2025/11/01"_s, {u"To Radio:JR2XYZ　Confirming Our QSO"_s},
                                      u"ありがとう"_s, true);
    const int c = smtp(0);
    QString result;
    ASSERT_EQ(NMailSmtpSendMailEx(c, servers.users[1], 0, 0, servers.users[0], subject, body,
                                  cardXMailer(u"240401"_s), card, &result, 3),
              0)
        << result.toStdString();
    NMailSmtpClose(c);
    ASSERT_EQ(waitFor(1, 1), 1);

    const int p = pop3(1);
    ASSERT_EQ(lastCount, 1);
    QString s, date, from, header, text, name, mailer;
    ASSERT_EQ(NMailPop3GetMailStatus(p, 1, s, date, from, header, 0), 1);
    EXPECT_EQ(s, subject);
    ASSERT_NE(NMailGetHeaderField(mailer, header, u"X-Mailer:"_s, 4096), 0);
    EXPECT_TRUE(isCardMailer(mailer));
    EXPECT_EQ(cardMailerYyMm(mailer), 2404);
    EXPECT_GT(NMailPop3GetMailSize(p, 1), jpeg.size());
    const QString inbox = box.path(u"in"_s);
    QDir().mkpath(inbox);
    ASSERT_EQ(NMailPop3GetMail(p, 1, s, date, from, header, text, inbox, name), 1);
    EXPECT_EQ(name, u"JR1ABC_240401_0830_7.041_CW_JR2XYZ.jpg"_s);
    EXPECT_EQ(readBytes(inbox + u'/' + name), jpeg);
    EXPECT_EQ(text, body);
    EXPECT_TRUE(from.contains(servers.users[0]));
    EXPECT_EQ(NMailPop3DeleteMail(p, 1), 0);
    NMailPop3Close(p);  // QUIT commits the deletion
    NMailPop3Close(pop3(1));
    EXPECT_EQ(lastCount, 0);
}

TEST_F(MailServersTest, ARefusedRecipientLeavesTheConnectionUsable) {
    const int c = smtp(0);
    QString result;
    EXPECT_EQ(NMailSmtpSendMailEx(c, u"nobody@qsl.test"_s, 0, 0, servers.users[0], u"x"_s, u"y"_s,
                                  QString(), QString(), &result, 3),
              nmail_error::Refused);
    EXPECT_TRUE(result.contains(u"550"_s)) << result.toStdString();
    EXPECT_EQ(NMailSmtpSendMailEx(c, servers.users[2], 0, 0, servers.users[0], u"after"_s, u"y"_s,
                                  QString(), QString(), &result, 3),
              0);
    NMailSmtpClose(c);
    EXPECT_EQ(waitFor(2, 1), 1);
}

TEST_F(MailServersTest, WrongPasswordsAndADownServerGiveTheirResults) {
    const int c = NMailSmtpConnectSsl(servers.host, servers.smtps, nmail_ssl::Implicit, 0);
    ASSERT_GE(c, 0);
    EXPECT_EQ(
        NMailSmtpAuthenticate(c, servers.host, servers.users[0], u"wrong"_s, nmail_auth::Plain),
        nmail_error::Login);
    EXPECT_FALSE(NMailGetMessage(0).isEmpty());
    NMailSmtpClose(c);
    const int p = NMailPop3ConnectSsl(servers.host, servers.pop3s, nmail_ssl::Implicit, 0);
    EXPECT_EQ(NMailPop3Authenticate(p, servers.users[1], u"wrong"_s, 0), nmail_error::Login);
    NMailPop3Close(p);
    EXPECT_EQ(NMailSmtpConnectSsl(servers.host, 1, nmail_ssl::Implicit, 0), nmail_error::Connect);
    EXPECT_TRUE(NMailGetMessage(0).contains(u"接続できません"_s))
        << NMailGetMessage(0).toStdString();
    // TLS on a plain port, or a server whose certificate we do not trust.
    EXPECT_EQ(NMailPop3ConnectSsl(servers.host, servers.pop3, nmail_ssl::Implicit, 0),
              nmail_error::Connect);
    NMailSetCaFile(dataFile(u"jpeg/tower_baseline.jpg"_s));  // not the servers' CA
    EXPECT_EQ(NMailSmtpConnectSsl(servers.host, servers.smtps, nmail_ssl::Implicit, 0),
              nmail_error::Connect);
    NMailSetCaFile(servers.caFile);
    EXPECT_EQ(NMailPop3Close(12345), nmail_error::Handle);
}

TEST_F(MailServersTest, EveryTlsModeAndLoginMethodWorks) {
    for (int method : {nmail_auth::Plain, nmail_auth::Login, nmail_auth::CramMd5}) {
        NMailSmtpClose(smtp(0, nmail_ssl::StartTls, method));
        NMailSmtpClose(smtp(0, nmail_ssl::Implicit, method));
    }
    NMailSmtpClose(smtp(0, nmail_ssl::Tls12));
    NMailSmtpClose(smtp(0, nmail_ssl::Tls13));
    for (int ssl : {nmail_ssl::Implicit, nmail_ssl::StartTls, nmail_ssl::Tls12, nmail_ssl::Tls13,
                    nmail_ssl::None}) {
        NMailPop3Close(pop3(1, ssl));
        EXPECT_EQ(lastCount, 0) << ssl;
    }
    NMailPop3Close(pop3(1, nmail_ssl::Implicit, -1));  // APOP
    EXPECT_EQ(lastCount, 0) << NMailGetMessage(0).toStdString();
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
    EXPECT_LT(NMailPop3ConnectSsl(u"127.0.0.1"_s, port, nmail_ssl::None, 0), 0);
    EXPECT_LT(NMailSmtpConnectSsl(u"127.0.0.1"_s, port, nmail_ssl::Implicit, 0), 0);
    EXPECT_FALSE(NMailGetMessage(0).isEmpty());
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
    const int p = pop3(1);
    QString s, date, from, header, body, name;
    ASSERT_EQ(NMailPop3GetMail(p, 1, s, date, from, header, body, inbox, name), 1);
    NMailPop3Close(p);
    EXPECT_EQ(name, u"escape.jpg"_s);
    EXPECT_TRUE(QFileInfo::exists(inbox + u"/escape.jpg"_s));
    EXPECT_FALSE(QFileInfo::exists(box.path(u"escape.jpg"_s)));
    EXPECT_FALSE(QFileInfo::exists(box.path(u"deep/escape.jpg"_s)));
    EXPECT_EQ(readBytes(inbox + u"/escape.jpg"_s), QByteArray::fromBase64("/9j/4AAQ"));
}

}  // namespace
