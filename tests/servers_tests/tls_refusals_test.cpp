// TLS the mail library must refuse, never falling back to plain text: a
// server that offers no STARTTLS when it is asked for, a certificate for
// another host, an expired certificate. Each fails with words that say which
// and no password or mail goes out.

#include "mail/n_mail.h"
#include "scripted_smtp.h"
#include "test_support.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <string>
#include <thread>

#include <gtest/gtest.h>

using namespace testing_support;
using namespace Qt::Literals::StringLiterals;

namespace {

// openssl's TLS server with a certificate, on a free loopback port.
class TlsServer {
public:
    TlsServer(const QString& cert, const QString& key) {
        const int probe = listenOnLoopback(port_);
        ::close(probe);
        process_.start(u"openssl"_s, {u"s_server"_s, u"-quiet"_s, u"-accept"_s,
                                      u"127.0.0.1:"_s + QString::number(port_), u"-cert"_s, cert,
                                      u"-key"_s, key});
        process_.waitForStarted(5000);
        // Up once it takes connections.
        for (int i = 0; i < 100; ++i) {
            const int s = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(quint16(port_));
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            const bool up = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
            ::close(s);
            if (up) return;
            QThread::msleep(50);
        }
        port_ = 0;
    }
    ~TlsServer() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    int port() const { return port_; }

private:
    QProcess process_;
    int port_ = 0;
};

// A POP3 server that offers no STLS and writes down what it was told.
class PlainPop3 {
public:
    PlainPop3() {
        listener_ = listenOnLoopback(port_);
        thread_ = std::thread([this] {
            const int c = ::accept(listener_, nullptr, nullptr);
            if (c < 0) return;
            say(c, "+OK plain.test\r\n");
            std::string pending;
            char buffer[1024];
            for (ssize_t n; (n = ::recv(c, buffer, sizeof buffer, 0)) > 0;) {
                pending.append(buffer, size_t(n));
                for (size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
                    const std::string verb = pending.substr(0, 4);
                    pending.erase(0, end + 2);
                    heard_ += verb + ' ';
                    if (verb == "CAPA")
                        say(c, "+OK\r\nUSER\r\nUIDL\r\n.\r\n");
                    else if (verb == "QUIT")
                        say(c, "+OK bye\r\n");
                    else
                        say(c, "-ERR no\r\n");
                }
            }
            ::close(c);
        });
    }
    ~PlainPop3() {
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        thread_.join();
    }
    int port() const { return port_; }
    std::string heard() const { return heard_; }

private:
    static void say(int c, const char* text) { ::send(c, text, std::strlen(text), 0); }
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::string heard_;
};

class TlsRefusals : public ::testing::Test {
protected:
    QTemporaryDir certs;
    void SetUp() override {
        ASSERT_EQ(
            QProcess::execute(QStringLiteral(SENDVIK_SOURCE "/tests/servers/make-bad-certs.sh"),
                              {certs.path()}),
            0);
        NMailInitializeWinSock();
        options.caFile = certs.filePath(u"ca.crt"_s);
        options.timeoutSeconds = 10;
    }
    MailOptions options;
    // The SMTP login's result and the library's message.
    std::pair<int, QString> smtpLogin(int port, int ssl) const {
        const auto c = NMailSmtpConnectSsl(u"localhost"_s, port, ssl, options);
        if (!c->isOpen()) return {nmail_error::Connect, c->message()};
        const int r = NMailSmtpAuthenticate(*c, u"localhost"_s, u"ja1zlo"_s, u"secret"_s,
                                            nmail_auth::Automatic);
        return {r, c->message()};
    }
    std::pair<int, QString> pop3Login(int port, int ssl) const {
        const auto c = NMailPop3ConnectSsl(u"localhost"_s, port, ssl, options);
        if (!c->isOpen()) return {nmail_error::Connect, c->message()};
        const int r = NMailPop3Authenticate(*c, u"ja1zlo"_s, u"secret"_s, 0);
        return {r, c->message()};
    }
};

}  // namespace

TEST_F(TlsRefusals, NoStartTlsOfferedMeansNoLogin) {
    ScriptedSmtpServer smtp({});
    const auto [r, message] = smtpLogin(smtp.port(), nmail_ssl::StartTls);
    EXPECT_LT(r, 0);
    EXPECT_FALSE(message.isEmpty());
    EXPECT_EQ(smtp.commands().find("AUTH"), std::string::npos) << smtp.commands();
    EXPECT_EQ(smtp.commands().find("MAIL"), std::string::npos) << smtp.commands();

    PlainPop3 pop3;
    const auto [p, popMessage] = pop3Login(pop3.port(), nmail_ssl::StartTls);
    EXPECT_LT(p, 0);
    EXPECT_FALSE(popMessage.isEmpty());
    EXPECT_EQ(pop3.heard().find("USER"), std::string::npos) << pop3.heard();
    EXPECT_EQ(pop3.heard().find("PASS"), std::string::npos) << pop3.heard();
    EXPECT_EQ(pop3.heard().find("APOP"), std::string::npos) << pop3.heard();
}

TEST_F(TlsRefusals, ACertificateForAnotherHostIsRefused) {
    TlsServer server(certs.filePath(u"other-host.crt"_s), certs.filePath(u"other-host.key"_s));
    ASSERT_GT(server.port(), 0);
    const auto [r, message] = smtpLogin(server.port(), nmail_ssl::Implicit);
    EXPECT_LT(r, 0);
    EXPECT_TRUE(message.contains(u"別のサーバー名"_s)) << message.toStdString();
    TlsServer again(certs.filePath(u"other-host.crt"_s), certs.filePath(u"other-host.key"_s));
    const auto [p, popMessage] = pop3Login(again.port(), nmail_ssl::Implicit);
    EXPECT_LT(p, 0);
    EXPECT_TRUE(popMessage.contains(u"別のサーバー名"_s)) << popMessage.toStdString();
}

TEST_F(TlsRefusals, AnExpiredCertificateIsRefused) {
    TlsServer server(certs.filePath(u"expired.crt"_s), certs.filePath(u"expired.key"_s));
    ASSERT_GT(server.port(), 0);
    const auto [r, message] = smtpLogin(server.port(), nmail_ssl::Implicit);
    EXPECT_LT(r, 0);
    EXPECT_TRUE(message.contains(u"有効期限が切れています"_s)) << message.toStdString();
    TlsServer again(certs.filePath(u"expired.crt"_s), certs.filePath(u"expired.key"_s));
    const auto [p, popMessage] = pop3Login(again.port(), nmail_ssl::Implicit);
    EXPECT_LT(p, 0);
    EXPECT_TRUE(popMessage.contains(u"有効期限が切れています"_s)) << popMessage.toStdString();
}
