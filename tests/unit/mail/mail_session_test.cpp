// Mail connections keep the calling thread's events flowing while a slow
// server makes them wait, and close themselves.

#include "mail/mail_session.h"
#include "mail/mail_account.h"
#include "mail/n_mail.h"

#include <QElapsedTimer>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>

namespace {

// An SMTP server on a loopback port that waits before its greeting, then
// answers every command; it serves one connection and records its commands.
class SlowSmtpServer {
public:
    explicit SlowSmtpServer(std::chrono::milliseconds greetingDelay) : delay_(greetingDelay) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listener_, 1) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~SlowSmtpServer() {
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        if (thread_.joinable()) thread_.join();
    }
    int port() const { return port_; }
    // Whether the client has gone within the time.
    bool closedWithin(std::chrono::milliseconds limit) const {
        for (auto waited = std::chrono::milliseconds(0); !finished_ && waited < limit;
             waited += std::chrono::milliseconds(10))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return finished_;
    }
    // The commands seen, once the client has gone.
    std::string commands() const { return finished_ ? commands_ : std::string(); }

private:
    void serve() {
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client >= 0) {
            std::this_thread::sleep_for(delay_);
            say(client, "220 slow.test ESMTP\r\n");
            std::string pending;
            char buffer[512];
            for (bool open = true; open;) {
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                pending.append(buffer, size_t(n));
                for (size_t end; open && (end = pending.find("\r\n")) != std::string::npos;) {
                    const std::string line = pending.substr(0, end);
                    pending.erase(0, end + 2);
                    const std::string verb = line.substr(0, 4);
                    commands_ += verb + ' ';
                    if (verb == "QUIT") {
                        say(client, "221 bye\r\n");
                        open = false;
                    } else {
                        say(client, "250 slow.test\r\n");
                    }
                }
            }
            ::close(client);
        }
        finished_ = true;
    }
    static void say(int client, const char* text) { ::send(client, text, strlen(text), 0); }

    std::chrono::milliseconds delay_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::string commands_;
    std::atomic<bool> finished_{false};
};

TEST(MailSession, ASlowServerLeavesTheCallingThreadsEventsRunning) {
    NMailInitializeWinSock();
    MailAccount account;
    account.timeoutSeconds = 20;
    setUpMailLibrary(account);
    SlowSmtpServer server(std::chrono::milliseconds(3000));
    ASSERT_GT(server.port(), 0);

    int ticks = 0;
    QTimer timer;
    timer.setInterval(50);
    QObject::connect(&timer, &QTimer::timeout, &timer, [&ticks] { ++ticks; });
    timer.start();
    QElapsedTimer waited;
    waited.start();
    {
        SmtpSession smtp(QStringLiteral("127.0.0.1"), server.port(), 0);
        const qint64 elapsed = waited.elapsed();
        ASSERT_TRUE(smtp.isOpen()) << smtp.message().toStdString();
        EXPECT_GE(elapsed, 2800);
        // The timer of this thread kept firing all along the greeting's wait.
        EXPECT_GE(ticks, int(elapsed / 50) / 2) << elapsed << " ms, " << ticks << " ticks";
    }
    // The session greeted the server and let go of the connection.
    ASSERT_TRUE(server.closedWithin(std::chrono::seconds(5)));
    EXPECT_EQ(server.commands().substr(0, 5), "EHLO ");
}

TEST(MailSession, LineBreaksInAddressesOrHeadersNeverReachTheServer) {
    NMailInitializeWinSock();
    MailAccount account;
    account.timeoutSeconds = 5;
    setUpMailLibrary(account);
    SlowSmtpServer server(std::chrono::milliseconds(0));
    ASSERT_GT(server.port(), 0);
    auto smtp = std::make_unique<SmtpSession>(QStringLiteral("127.0.0.1"), server.port(), 0);
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
    ASSERT_TRUE(server.closedWithin(std::chrono::seconds(5)));
    EXPECT_EQ(server.commands().find("MAIL"), std::string::npos) << server.commands();
    EXPECT_EQ(server.commands().find("RCPT"), std::string::npos) << server.commands();
}

TEST(MailSession, AFailedConnectionSaysWhyAndRefusesUse) {
    NMailInitializeWinSock();
    MailAccount account;
    setUpMailLibrary(account);
    // A port nothing listens on: the listener is closed before connecting.
    int port = 0;
    {
        SlowSmtpServer gone(std::chrono::milliseconds(0));
        port = gone.port();
    }
    SmtpSession smtp(QStringLiteral("127.0.0.1"), port, 0);
    EXPECT_FALSE(smtp.isOpen());
    EXPECT_EQ(smtp.connectResult(), nmail_error::Connect);
    EXPECT_FALSE(smtp.message().isEmpty());
    EXPECT_EQ(smtp.send(QStringLiteral("a@b"), QStringLiteral("c@d"), QString(), QString(),
                        QString(), QString()),
              nmail_error::Handle);
}

}  // namespace
