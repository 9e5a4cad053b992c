// The communication settings' logic without its window: a scripted view
// answers the session's questions.

#include "server/comm_session.h"
#include "core/zkw_ini.h"
#include "mail/mail_account.h"
#include "mail/mail_session.h"
#include "mail/n_mail.h"
#include "scripted_smtp.h"
#include "server/httplib.h"
#include "settings/kankyo.h"
#include "test_support.h"

#include <QElapsedTimer>
#include <QTcpServer>

#include <chrono>

#include <gtest/gtest.h>

using testing_support::Sandbox;

namespace {

struct ScriptedView : CommSession::View {
    bool typedAgain = false;
    std::vector<CommSession::Field> focused;
    std::vector<bool> hourglass;

    bool askAddressAgain() override { return typedAgain; }
    void focus(CommSession::Field field) override { focused.push_back(field); }
    void busy(bool on) override { hourglass.push_back(on); }
};

struct SessionFixture {
    Sandbox box;
    TZkwIni ini{box.path(u"Sendvik.ini"_s)};
    THTTPDown http;
    EnvironmentSettings environment;
    ScriptedView view;
    CommSession session{{ini, http, environment, ProviderPresets::load()}, view};
};

TEST(CommSession, ATestOnAServerThatIsNotThereSaysSoUnderTheHourglass) {
    NMailInitializeWinSock();
    SessionFixture f;
    int closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    CommSettings& s = f.session.settings;
    s.mailAddress = u"ja1abc@example.jp"_s;
    s.smtpHost = u"127.0.0.1"_s;
    s.smtpPort = QString::number(closedPort);
    s.smtpSsl = 0;

    EXPECT_FALSE(f.session.sendTest());
    EXPECT_EQ(f.view.hourglass, (std::vector<bool>{true, false}));
    ASSERT_EQ(f.box.messages.messages().size(), 1u);
    EXPECT_TRUE(f.box.messages.messages()[0].text.startsWith(
        u"接続できません！サーバー名／ポート番号／SSL設定を確認\r送信できませんでした\r"_s));
    // The pending test stays marked; nothing passed.
    EXPECT_TRUE(s.state & reg_state::SendTestPending);
    EXPECT_FALSE(s.state & reg_state::SendTestPassed);
}

TEST(CommSession, AnEditedAddressIsTypedAgainBeforeAnyTest) {
    SessionFixture f;
    CommSettings& s = f.session.settings;
    s.mailAddress = u"ja1abc@example.jp"_s;
    s.state = reg_state::AddressEdited;

    // Not typed again: back to the address, no test.
    EXPECT_FALSE(f.session.sendTest());
    EXPECT_EQ(f.view.focused, std::vector{CommSession::Field::MailAddress});
    EXPECT_TRUE(f.view.hourglass.empty());

    // Typed again and confirmed: on to the account.
    f.view.typedAgain = true;
    f.box.messages.answer(mb::IdYes);
    f.session.reenterAddress();
    EXPECT_EQ(f.view.focused.back(), CommSession::Field::Account);
    EXPECT_EQ(s.state, reg_state::AddressEdited | reg_state::AddressReentered);
}

// A time-out tried in the window and then not saved stays with that test:
// the next batch's connection carries the stored one. A saved one counts for
// the very next connection. The server greets only after 5.5 seconds, so a
// 5-second time-out gives up and the stored 40 seconds waits.
TEST(CommSession, ATriedTimeOutStaysWithItsTestAndASavedOneCountsAtOnce) {
    NMailInitializeWinSock();
    SessionFixture f;
    testing_support::ScriptedSmtpServer::Script script;
    script.greetingDelay = std::chrono::milliseconds(5500);
    testing_support::ScriptedSmtpServer server(script);
    ASSERT_GT(server.port(), 0);
    CommSettings& s = f.session.settings;
    s.mailAddress = u"ja1abc@example.jp"_s;
    s.password = u"pw"_s;
    s.smtpHost = u"127.0.0.1"_s;
    s.smtpPort = QString::number(server.port());
    s.smtpSsl = 0;
    s.smtpAuth = 0;
    s.timeout = 40;
    s.saveMailAccount(f.ini);
    const auto batchConnection = [&f] {
        // As a send batch makes it: from the stored settings.
        const MailAccount account = mailAccountFrom(f.ini);
        QElapsedTimer waited;
        waited.start();
        SmtpSession smtp(account.smtpHost, account.smtpPort, account.smtpSsl, account.options());
        const int r = smtp.authenticate(account.smtpHost, account.smtpAccount, account.smtpPassword,
                                        account.smtpMethod);
        return std::pair{r == 0, waited.elapsed()};
    };

    s.timeout = 5;  // tried, not saved
    QElapsedTimer tried;
    tried.start();
    f.box.messages.clear();
    EXPECT_FALSE(f.session.sendTest());
    EXPECT_LT(tried.elapsed(), 5400);
    // A server that does not answer is no fault of the account, and is said so.
    ASSERT_FALSE(f.box.messages.messages().empty());
    EXPECT_TRUE(f.box.messages.messages().back().text.startsWith(
        u"サーバーとの通信ができません！サーバー名／ポート番号を確認"_s))
        << f.box.messages.messages().back().text.toStdString();
    const auto [openAfterTry, waitedAfterTry] = batchConnection();
    EXPECT_TRUE(openAfterTry) << waitedAfterTry << " ms";

    s.saveMailAccount(f.ini);  // now saved
    const auto [openAfterSave, waitedAfterSave] = batchConnection();
    EXPECT_FALSE(openAfterSave);
    EXPECT_LT(waitedAfterSave, 5400);
}

}  // namespace
