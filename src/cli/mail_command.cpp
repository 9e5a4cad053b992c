#include "cli/mail_command.h"

#include "cli/cli_output.h"
#include "core/app_paths.h"
#include "core/sjis.h"
#include "core/zkw_ini.h"
#include "mail/mail_account.h"
#include "mail/n_mail.h"

#include <QDir>
#include <QFile>

#include <ostream>

namespace {

int usage(std::ostream& err) {
    err << "usage: sendvik-cli mail send --to ADDR --subject TEXT --body-file F [--attach FILE] "
           "[--header LINE]...\n"
           "       sendvik-cli mail list\n"
           "       sendvik-cli mail fetch N --into DIR\n";
    return 2;
}

int fail(std::ostream& err, const QString& what, int code) {
    printLine(
        err,
        QStringLiteral("sendvik-cli: %1 (No%2) %3").arg(what).arg(code).arg(NMailGetMessage(0)));
    return 1;
}

// The value after an option, or empty.
QString option(const QStringList& args, const QString& name) {
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
}

int send(const MailAccount& a, const QStringList& args, std::ostream& out, std::ostream& err) {
    const QString to = option(args, QStringLiteral("--to"));
    const QString bodyFile = option(args, QStringLiteral("--body-file"));
    if (to.isEmpty() || bodyFile.isEmpty()) return usage(err);
    QFile f(bodyFile);
    if (!f.open(QIODevice::ReadOnly)) {
        printLine(err, QStringLiteral("sendvik-cli: cannot read ") + bodyFile);
        return 1;
    }
    QString body = sjis::decodeUserText(f.readAll());
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(u'\n', QStringLiteral("\r\n"));
    QStringList headers;
    for (qsizetype i = 0; i + 1 < args.size(); ++i)
        if (args[i] == u"--header") headers.append(args[i + 1]);
    const int c = NMailSmtpConnectSsl(a.smtpHost, a.smtpPort, a.smtpSsl, 0);
    if (c < 0)
        return fail(err, QStringLiteral("接続できません！サーバー名／ポート番号／SSL設定を確認"),
                    c);
    int r = NMailSmtpAuthenticate(c, a.smtpHost, a.smtpAccount, a.smtpPassword, a.smtpMethod);
    if (r < 0) {
        NMailSmtpClose(c);
        return fail(err, QStringLiteral("認証できません"), r);
    }
    QString result;
    r = NMailSmtpSendMailEx(c, to, 0, 0, a.address, option(args, QStringLiteral("--subject")), body,
                            headers.join(QStringLiteral("\r\n")),
                            option(args, QStringLiteral("--attach")), &result, 3);
    NMailSmtpClose(c);
    if (r < 0) return fail(err, QStringLiteral("送信できません"), r);
    printLine(out, QStringLiteral("sent"));
    return 0;
}

int openPop3(const MailAccount& a, std::ostream& err, int& count) {
    const int c = NMailPop3ConnectSsl(a.pop3Host, a.pop3Port, a.pop3Ssl, 0);
    if (c < 0) {
        fail(err, QStringLiteral("接続できません！サーバー名／ポート番号／SSL設定を確認"), c);
        return -1;
    }
    count = NMailPop3Authenticate(c, a.pop3Account, a.pop3Password, a.apop ? -1 : 0);
    if (count < 0) {
        fail(err, QStringLiteral("認証できません"), count);
        NMailPop3Close(c);
        return -1;
    }
    return c;
}

}  // namespace

int runMailCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                   std::ostream& err) {
    if (args.isEmpty()) return usage(err);
    TZkwIni settings(paths.settingsFile());
    const MailAccount account = mailAccountFrom(settings);
    NMailInitializeWinSock();
    NMailSetOption(nmail_option::Timeout, account.timeoutSeconds);
    NMailSetCaFile(account.caFile);
    const QString& verb = args[0];
    if (verb == u"send") return send(account, args, out, err);
    int count = 0;
    if (verb == u"list" && args.size() == 1) {
        const int c = openPop3(account, err, count);
        if (c < 0) return 1;
        for (int i = 1; i <= count; ++i) {
            QString subject, date, from, header, mailer;
            if (NMailPop3GetMailStatus(c, i, subject, date, from, header, 0) != 1) continue;
            const bool card =
                NMailGetHeaderField(mailer, header, QStringLiteral("X-Mailer:"), 4096) &&
                mailer.contains(QStringLiteral("ZELKOV E-Mail QSL"));
            printLine(out, QStringLiteral("%1\t%2\t%3\t%4\t%5")
                               .arg(i)
                               .arg(NMailPop3GetMailSize(c, i))
                               .arg(card ? QStringLiteral("card") : QStringLiteral("mail"), from,
                                    subject));
        }
        NMailPop3Close(c);
        return 0;
    }
    if (verb == u"fetch" && args.size() == 4 && args[2] == u"--into") {
        const int n = args[1].toInt();
        const int c = openPop3(account, err, count);
        if (c < 0) return 1;
        QString subject, date, from, header, body, name;
        QDir().mkpath(args[3]);
        const int r = n >= 1 && n <= count
                          ? NMailPop3GetMail(c, n, subject, date, from, header, body, args[3], name)
                          : nmail_error::Handle;
        NMailPop3Close(c);
        if (r != 1) return fail(err, QStringLiteral("受信できません"), r);
        printLine(out, QStringLiteral("subject=") + subject);
        printLine(out, QStringLiteral("attachment=") + name);
        out << body.toStdString() << '\n';
        return 0;
    }
    return usage(err);
}
