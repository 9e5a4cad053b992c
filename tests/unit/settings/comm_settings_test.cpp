// The communication settings' own rules: lists, bits, the password
// generator, the re-typed address, the save decision and provider presets.

#include "settings/comm_settings.h"
#include "core/zkw_ini.h"
#include "settings/provider_presets.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(CommSettings, StoredValuesReadAsTheListsAndBitsSay) {
    Sandbox box;
    TZkwIni ini(box.path(u"s.ini"_s));
    CommSettings fresh;
    fresh.load(ini);
    // Check "11": both passwords masked, received mail deleted; state 0.
    EXPECT_TRUE(fresh.maskPassword && fresh.maskServicePassword);
    EXPECT_FALSE(fresh.leaveOnServer);
    EXPECT_EQ(fresh.optionBits(), 11);
    EXPECT_EQ(fresh.state, 0);
    ini.writeString(u"Option", u"Check", u"52,37"_s);
    ini.writeString(u"Option", u"SmtpAuth", u"9"_s);
    ini.writeString(u"Option", u"TimeOut", u"2"_s);
    ini.writeString(u"Option", u"PassLen", u"1"_s);
    CommSettings s;
    s.load(ini);
    EXPECT_EQ(s.optionBits(), 52);
    EXPECT_TRUE(s.apop && s.separateSmtp && s.maskSmtpPassword && s.leaveOnServer);
    EXPECT_EQ(s.state, 37);
    EXPECT_EQ(s.smtpAuth, 5);
    EXPECT_EQ(s.timeout, 5);
    EXPECT_EQ(s.passLen, 4);
    EXPECT_EQ(tlsIndexOf(0x5000), 0);
    EXPECT_EQ(tlsIndexOf(0x20000), 4);
    EXPECT_EQ(portForTls(2, true), u"587"_s);
    EXPECT_EQ(portForTls(1, false), u"995"_s);
    EXPECT_EQ(portForTls(0, false), u"110"_s);

    // Logins: the address when the account is blank; the separate SMTP
    // account with the mail password when its own is blank.
    s.mailAddress = u"jh3aaa@qsl.test"_s;
    s.password = u"p"_s;
    s.separateSmtp = false;
    EXPECT_EQ(s.smtpLogin(), u"jh3aaa@qsl.test"_s);
    s.separateSmtp = true;
    s.smtpAccount = u"smtp-user"_s;
    EXPECT_EQ(s.smtpLogin(), u"smtp-user"_s);
    EXPECT_EQ(s.smtpLoginPassword(), u"p"_s);
    EXPECT_EQ(s.testSender(), u"jh3aaa@qsl.test"_s);
    s.smtpAccount = u"other@qsl.test"_s;
    EXPECT_EQ(s.testSender(), u"other@qsl.test"_s);
}

TEST(CommSettings, PasswordGeneratorArithmetic) {
    PasswordGenerator g(1);
    EXPECT_EQ(g.make(8), u"NaBswpqs"_s);
    PasswordGenerator id(123456789);
    EXPECT_EQ(makeTestIdentifier(id), u"NOVQ_ID:Ci8Fjw8laz1gZXRh"_s);
}

TEST(CommSettings, ReenteredAddressChecks) {
    const QString a = u"jh3aaa@qsl.test"_s;
    EXPECT_EQ(checkReenteredAddress(a, a), 0);
    EXPECT_EQ(checkReenteredAddress(u"jh3 aaa@qsl.test"_s, a), 1);
    EXPECT_EQ(checkReenteredAddress(u"ｊh3aaa@qsl.test"_s, a), 1);
    EXPECT_EQ(checkReenteredAddress(u"jh3aaa@qsltest"_s, u"jh3aaa@qsltest"_s), 2);
    EXPECT_EQ(checkReenteredAddress(u".a@b.c"_s, u".a@b.c"_s), 2);
    EXPECT_EQ(checkReenteredAddress(u"@b.c"_s, u"@b.c"_s), 2);
    EXPECT_EQ(checkReenteredAddress(u"a.b@c"_s, u"a.b@c"_s), 2);  // the dot must follow "@"
    EXPECT_EQ(checkReenteredAddress(u"jh3aab@qsl.test"_s, a), 2);
}

TEST(CommSettings, SaveDecisionByState) {
    using D = SaveDecision;
    EXPECT_EQ(decideSave(1 | 2), D::AskSendTest);
    EXPECT_EQ(decideSave(1 | 2 | 4), D::AskReceiveTest);
    EXPECT_EQ(decideSave(1 | 2 | 4 | 8), D::Register);
    EXPECT_EQ(decideSave(0), D::Finish);
    EXPECT_EQ(decideSave(4), D::Finish);
    EXPECT_EQ(decideSave(4 | 8), D::Register);
    EXPECT_EQ(decideSave(16), D::CheckServer);
    EXPECT_EQ(decideSave(1 | 2 | 4 | 32), D::CheckServer);
}

TEST(ProviderPresets, TheBuiltInTableAndItsSpecialRows) {
    const ProviderPresets presets = ProviderPresets::load();
    ASSERT_EQ(presets.items().size(), 11);
    EXPECT_EQ(presets.item(2)->name(), u"Gmail"_s);

    CommSettings s;
    s.call = u"JH3AAA"_s;
    s.mailAddress = u"ab"_s;  // too short: the call sign is the local part
    ASSERT_TRUE(presets.apply(3, s));
    EXPECT_EQ(s.mailAddress, u"JH3AAA@xxxx.ocn.ne.jp"_s);
    EXPECT_EQ(s.smtpHost, u"smtp.ocn.ne.jp"_s);
    EXPECT_EQ(s.smtpPort, u"465"_s);
    EXPECT_EQ(s.smtpSsl, 0x3000);
    EXPECT_EQ(s.smtpAuth, 5);

    s.mailAddress = u"ham@old.example"_s;
    s.maskPassword = s.apop = s.separateSmtp = true;
    ASSERT_TRUE(presets.apply(101, s));
    EXPECT_EQ(s.mailAddress, u"ham@ymail.ne.jp"_s);
    EXPECT_EQ(s.smtpHost, presets.item(1)->smtpHost);
    EXPECT_FALSE(s.maskPassword || s.apop || s.separateSmtp);
    ASSERT_TRUE(presets.apply(102, s));
    EXPECT_EQ(s.mailAddress, u"ham@ybb.ne.jp"_s);
    EXPECT_EQ(s.account, u"ham"_s);
    EXPECT_EQ(s.pop3Host, presets.item(102)->pop3Host);
    ASSERT_TRUE(presets.apply(9, s));
    EXPECT_EQ(s.mailAddress, u"ham@xxxx.jp"_s);
    EXPECT_EQ(s.smtpHost, u"xxxx.jp"_s);
    EXPECT_EQ(s.pop3Host, u"xxxx.jp"_s);
    EXPECT_EQ(s.smtpPort, u"587"_s);
    EXPECT_EQ(s.smtpSsl, 0x4000);
    EXPECT_TRUE(s.account.isEmpty());

    // A table kept by the user replaces the built-in one.
    Sandbox box;
    writeBytes(box.path(u"Providers.txt"_s),
               "# own\n1\tMyISP(@my.example)\t@my.example\tsmtp.my\tpop.my\n");
    const ProviderPresets own = ProviderPresets::load(box.path(u"Providers.txt"_s));
    ASSERT_EQ(own.items().size(), 1);
    EXPECT_EQ(own.item(1)->pop3Host, u"pop.my"_s);
    EXPECT_FALSE(own.apply(2, s));
}

}  // namespace
