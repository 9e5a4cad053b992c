// sendvik-cli's mail commands: a person checking the account from a terminal.

#include "test_support.h"

#include <QDir>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

QString cli(const QStringList& args, int* code = nullptr) {
    QProcess p;
    p.start(QStringLiteral(SENDVIK_CLI), args);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(60000));
    if (code) *code = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

void configure(const QString& home, const MailServers& s, int user) {
    auto set = [&](const QString& key, const QString& value) {
        cli({u"--home"_s, home, u"settings"_s, u"set"_s, u"Option"_s, key, value});
    };
    set(u"MailAdd"_s, s.users[user]);
    set(u"SmtpName"_s, s.host);
    set(u"SmtpPort"_s, QString::number(s.smtp));
    set(u"SmtpSsl"_s, QString::number(0x4000));  // STARTTLS
    set(u"SmtpAuth"_s, u"3"_s);                  // CRAM-MD5
    set(u"Pop3Name"_s, s.host);
    set(u"Pop3Port"_s, QString::number(s.pop3s));
    set(u"CaFile"_s, s.caFile);
    cli({u"--home"_s, home, u"settings"_s, u"words-set"_s, u"Option"_s, u"Pass1"_s,
         s.passwords[user]});
}

TEST(MailCli, SendListAndFetchWithTheSettingsAccount) {
    const MailServers servers = mailServers(QStringLiteral(SENDVIK_MAIL_ENV));
    ASSERT_TRUE(servers.valid());
    Sandbox box;
    const QString a = box.path(u"a"_s);
    const QString b = box.path(u"b"_s);
    configure(a, servers, 0);
    configure(b, servers, 2);
    // Nothing left from other tests in B's mailbox.
    int code = -1;
    const QString before = cli({u"--home"_s, b, u"mail"_s, u"list"_s}, &code);
    ASSERT_EQ(code, 0) << before.toStdString();

    writeBytes(box.path(u"body.txt"_s), QStringLiteral("電子QSLのテストです。\n73\n").toUtf8());
    const QString card = dataFile(u"jpeg/tower_baseline.jpg"_s);
    const QString sent =
        cli({u"--home"_s, a, u"mail"_s, u"send"_s, u"--to"_s, servers.users[2], u"--subject"_s,
             u"テストカード"_s, u"--body-file"_s, box.path(u"body.txt"_s), u"--attach"_s, card,
             u"--header"_s, u"X-Mailer: ZELKOV E-Mail QSL, QSO-yymm:2404"_s},
            &code);
    ASSERT_EQ(code, 0) << sent.toStdString();

    QString listed;
    for (int i = 0; i < 100; ++i) {
        listed = cli({u"--home"_s, b, u"mail"_s, u"list"_s});
        if (listed.contains(u"テストカード"_s)) break;
        QThread::msleep(100);
    }
    ASSERT_TRUE(listed.contains(u"card\t"_s + servers.users[0]) &&
                listed.contains(u"テストカード"_s))
        << listed.toStdString();
    const QString n = listed.section(u'\n', -2, -2).section(u'\t', 0, 0);
    const QString fetched =
        cli({u"--home"_s, b, u"mail"_s, u"fetch"_s, n, u"--into"_s, box.path(u"in"_s)}, &code);
    ASSERT_EQ(code, 0) << fetched.toStdString();
    EXPECT_TRUE(fetched.contains(u"attachment=tower_baseline.jpg"_s)) << fetched.toStdString();
    EXPECT_TRUE(fetched.contains(u"電子QSLのテストです。"_s));
    EXPECT_EQ(readBytes(box.path(u"in/tower_baseline.jpg"_s)), readBytes(card));
    // A number the mailbox does not hold, and a body that cannot be read.
    const QString none = cli(
        {u"--home"_s, b, u"mail"_s, u"fetch"_s, u"9999"_s, u"--into"_s, box.path(u"in"_s)}, &code);
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(none.startsWith(u"sendvik-cli: 9999 番のメールはありません（メールボックスは "_s))
        << none.toStdString();
    EXPECT_TRUE(none.endsWith(u" 件）\n"_s)) << none.toStdString();
    const QString noBody = cli({u"--home"_s, a, u"mail"_s, u"send"_s, u"--to"_s, servers.users[2],
                                u"--body-file"_s, box.path(u"gone.txt"_s)},
                               &code);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(noBody, u"sendvik-cli: 本文のファイルを読めません: "_s +
                          QDir::toNativeSeparators(box.path(u"gone.txt"_s)) +
                          u"（No such file or directory）\n"_s);

    // A wrong password is told with its number and the server's word.
    cli({u"--home"_s, a, u"settings"_s, u"words-set"_s, u"Option"_s, u"Pass1"_s, u"nope"_s});
    const QString refused = cli({u"--home"_s, a, u"mail"_s, u"list"_s}, &code);
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(refused.contains(u"認証できません (No-2)"_s)) << refused.toStdString();
}

}  // namespace
