// Mail connections keep the calling thread's events flowing while a slow
// server makes them wait, and close themselves.

#include "mail/mail_session.h"
#include "mail/mail_account.h"
#include "mail/n_mail.h"
#include "scripted_smtp.h"

#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <memory>

#include <gtest/gtest.h>

namespace {

using testing_support::ScriptedSmtpServer;

ScriptedSmtpServer::Script slowGreeting(std::chrono::milliseconds delay) {
    ScriptedSmtpServer::Script script;
    script.greetingDelay = delay;
    return script;
}

TEST(MailSession, ASlowServerLeavesTheCallingThreadsEventsRunning) {
    NMailInitializeWinSock();
    MailAccount account;
    account.timeoutSeconds = 20;
    ScriptedSmtpServer server(slowGreeting(std::chrono::milliseconds(3000)));
    ASSERT_GT(server.port(), 0);

    int ticks = 0;
    QTimer timer;
    timer.setInterval(50);
    QObject::connect(&timer, &QTimer::timeout, &timer, [&ticks] { ++ticks; });
    timer.start();
    QElapsedTimer waited;
    waited.start();
    {
        SmtpSession smtp(QStringLiteral("127.0.0.1"), server.port(), 0, account.options());
        ASSERT_EQ(
            smtp.authenticate(QStringLiteral("127.0.0.1"), QString(), QString(), nmail_auth::None),
            0)
            << smtp.message().toStdString();
        const qint64 elapsed = waited.elapsed();
        EXPECT_GE(elapsed, 2800);
        // The timer of this thread kept firing all along the greeting's wait.
        EXPECT_GE(ticks, int(elapsed / 50) / 2) << elapsed << " ms, " << ticks << " ticks";
    }
    // The session greeted the server and let go of the connection.
    ASSERT_TRUE(server.idleWithin(std::chrono::seconds(5)));
    EXPECT_EQ(server.commands().substr(0, 5), "EHLO ");
}

TEST(MailSession, LineBreaksInAddressesOrHeadersNeverReachTheServer) {
    NMailInitializeWinSock();
    MailAccount account;
    account.timeoutSeconds = 5;
    ScriptedSmtpServer server(slowGreeting(std::chrono::milliseconds(0)));
    ASSERT_GT(server.port(), 0);
    auto smtp = std::make_unique<SmtpSession>(QStringLiteral("127.0.0.1"), server.port(), 0,
                                              account.options());
    ASSERT_TRUE(smtp->isOpen());
    const QString ok = QStringLiteral("ja1abc@example.jp");
    const QString injected = QStringLiteral("ja1abc@example.jp>\r\nRCPT TO:<victim@example.jp");
    struct Case {
        QString to, from, subject, headers;
    } cases[] = {
        {injected, ok, QString(), QString()},
        {ok, injected, QString(), QString()},
        {QStringLiteral("a@b\nc"), ok, QString(), QString()},
        {ok, ok, QStringLiteral("QSL\r\nBcc: victim@example.jp"), QString()},
        {ok, ok, QString(), QStringLiteral("X-Mailer: ok\r\nnot a header")},
        {ok, ok, QString(), QStringLiteral("X-Mailer: a\rb")},
        {QString(), ok, QString(), QString()},
        // SMTP parameters after the address, from a server's answer.
        {QStringLiteral("jr1abc@example.test> NOTIFY=NEVER ORCPT=rfc822;x<"), ok, QString(),
         QString()},
        {ok, QStringLiteral("ja1abc@example.jp> SIZE=1"), QString(), QString()},
        {QStringLiteral("a b@example.jp"), ok, QString(), QString()},
        {QStringLiteral("局@example.jp"), ok, QString(), QString()},
    };
    QElapsedTimer waited;
    waited.start();
    for (const Case& c : cases) {
        QString result;
        EXPECT_EQ(smtp->send(c.to, c.from, c.subject, QStringLiteral("body"), c.headers, QString(),
                             &result),
                  nmail_error::Refused)
            << c.to.toStdString() << ' ' << c.headers.toStdString();
        EXPECT_FALSE(smtp->message().isEmpty());
        EXPECT_FALSE(result.contains(u'\n') || result.contains(u'\r'));
    }
    EXPECT_EQ(smtp->authenticate(QStringLiteral("127.0.0.1"), QStringLiteral("ja1abc\r\nQUIT"),
                                 QStringLiteral("pw"), 1),
              nmail_error::Login);
    EXPECT_LT(waited.elapsed(), 2000);  // refused here, not by a server
    smtp.reset();
    // The server saw the connection's greeting and nothing of any mail.
    ASSERT_TRUE(server.idleWithin(std::chrono::seconds(5)));
    EXPECT_EQ(server.commands().find("MAIL"), std::string::npos) << server.commands();
    EXPECT_EQ(server.commands().find("RCPT"), std::string::npos) << server.commands();
}

TEST(MailSession, AFailedConnectionSaysWhy) {
    NMailInitializeWinSock();
    MailAccount account;
    // A port nothing listens on: the listener is closed before connecting.
    int port = 0;
    {
        ScriptedSmtpServer gone(slowGreeting(std::chrono::milliseconds(0)));
        port = gone.port();
    }
    SmtpSession smtp(QStringLiteral("127.0.0.1"), port, 0, account.options());
    EXPECT_EQ(
        smtp.authenticate(QStringLiteral("127.0.0.1"), QString(), QString(), nmail_auth::None),
        nmail_error::Connect);
    EXPECT_TRUE(smtp.message().startsWith(QStringLiteral("接続できません")))
        << qPrintable(smtp.message());
}

// A session is one connection: its login and every mail after it go over
// the connection the login made.
TEST(MailSession, ASessionIsOneConnection) {
    NMailInitializeWinSock();
    ScriptedSmtpServer server(slowGreeting(std::chrono::milliseconds(0)));
    MailAccount account;
    {
        SmtpSession smtp(QStringLiteral("127.0.0.1"), server.port(), 0, account.options());
        ASSERT_EQ(
            smtp.authenticate(QStringLiteral("127.0.0.1"), QString(), QString(), nmail_auth::None),
            0);
        for (int i = 0; i < 2; ++i)
            ASSERT_EQ(smtp.send(QStringLiteral("a@b.test"), QStringLiteral("c@d.test"),
                                QStringLiteral("s"), QStringLiteral("b"), QString(), QString()),
                      0)
                << qPrintable(smtp.message());
    }
    ASSERT_TRUE(server.idleWithin(std::chrono::seconds(5)));
    EXPECT_EQ(server.mailsTaken(), 2);
    EXPECT_EQ(server.connectionsAccepted(), 1) << server.commands();
}

// A server that takes a mail and then never answers QUIT is let go after
// the connection's own time-out (libcurl alone would wait two minutes), and
// the mail before it counts.
TEST(MailSession, ClosingOnAServerThatNoLongerAnswersObeysTheTimeOut) {
    NMailInitializeWinSock();
    ScriptedSmtpServer::Script script;
    script.silentOnQuit = true;
    ScriptedSmtpServer server(script);
    ASSERT_GT(server.port(), 0);
    MailOptions options;
    options.timeoutSeconds = 2;
    auto smtp =
        std::make_unique<SmtpSession>(QStringLiteral("127.0.0.1"), server.port(), 0, options);
    ASSERT_TRUE(smtp->isOpen()) << smtp->message().toStdString();
    ASSERT_EQ(smtp->send(QStringLiteral("ja2xyz@example.jp"), QStringLiteral("ja1abc@example.jp"),
                         QStringLiteral("QSL"), QStringLiteral("body"), QString(), QString()),
              0)
        << smtp->message().toStdString();
    QElapsedTimer closing;
    closing.start();
    smtp.reset();
    EXPECT_LT(closing.elapsed(), 6000);
    EXPECT_GE(closing.elapsed(), 1500);  // it did wait for the answer
    EXPECT_EQ(server.mailsTaken(), 1);
    EXPECT_NE(server.commands().find("QUIT"), std::string::npos) << server.commands();
}

}  // namespace
