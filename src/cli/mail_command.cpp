#include "cli/mail_command.h"

#include "cli/cli_output.h"
#include "core/app_paths.h"
#include "core/sjis.h"
#include "core/zkw_ini.h"
#include "mail/mail_account.h"
#include "mail/mail_session.h"
#include "mail/n_mail.h"

#include <QDir>
#include <QFile>

#include <memory>
#include <ostream>

namespace {

int usage(std::ostream& err) {
    err << "usage: sendvik-cli mail send --to ADDR --subject TEXT --body-file F [--attach FILE] "
           "[--header LINE]...\n"
           "       sendvik-cli mail list\n"
           "       sendvik-cli mail fetch N --into DIR\n";
    return 2;
}

int fail(std::ostream& err, const QString& what, int code, const QString& detail) {
    printLine(err, QStringLiteral("sendvik-cli: %1 (No%2) %3").arg(what).arg(code).arg(detail));
    return 1;
}

const QString kConnectFailure =
    QStringLiteral("接続できません！サーバー名／ポート番号／SSL設定を確認");

// What a failed login means (the number follows in the line).
QString loginFailure(int result) {
    if (result == nmail_error::Connect || result == nmail_error::Transfer ||
        result == nmail_error::Stopped || result == nmail_error::StoppedUnsent)
        return loginFailureHeadline(result, {});
    return QStringLiteral("認証できません");
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
        printLine(err, QStringLiteral("sendvik-cli: 本文のファイルを読めません: %1（%2）")
                           .arg(shownPath(bodyFile), f.errorString()));
        return 1;
    }
    QString body = sjis::decodeUserText(f.readAll());
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(u'\n', QStringLiteral("\r\n"));
    QStringList headers;
    for (qsizetype i = 0; i + 1 < args.size(); ++i)
        if (args[i] == u"--header") headers.append(args[i + 1]);
    SmtpSession smtp(a.smtpHost, a.smtpPort, a.smtpSsl, a.options());
    if (!smtp.isOpen()) return fail(err, kConnectFailure, smtp.connectResult(), smtp.message());
    int r = smtp.authenticate(a.smtpHost, a.smtpAccount, a.smtpPassword, a.smtpMethod);
    if (r < 0) return fail(err, loginFailure(r), r, smtp.message());
    r = smtp.send(to, a.address, option(args, QStringLiteral("--subject")), body,
                  headers.join(QStringLiteral("\r\n")), option(args, QStringLiteral("--attach")));
    if (r < 0) return fail(err, QStringLiteral("送信できません"), r, smtp.message());
    printLine(out, QStringLiteral("sent"));
    return 0;
}

// The mailbox opened and logged in to; its mail count in `count`.
std::unique_ptr<Pop3Session> openPop3(const MailAccount& a, std::ostream& err, int& count) {
    auto pop3 = std::make_unique<Pop3Session>(a.pop3Host, a.pop3Port, a.pop3Ssl, a.options());
    if (!pop3->isOpen()) {
        fail(err, kConnectFailure, pop3->connectResult(), pop3->message());
        return nullptr;
    }
    count = pop3->authenticate(a.pop3Account, a.pop3Password, a.apop);
    if (count < 0) {
        fail(err, loginFailure(count), count, pop3->message());
        return nullptr;
    }
    return pop3;
}

}  // namespace

int runMailCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                   std::ostream& err) {
    if (args.isEmpty()) return usage(err);
    TZkwIni settings(paths.settingsFile());
    const MailAccount account = mailAccountFrom(settings);
    NMailInitializeWinSock();
    const QString& verb = args[0];
    if (verb == u"send") return send(account, args, out, err);
    int count = 0;
    if (verb == u"list" && args.size() == 1) {
        const auto pop3 = openPop3(account, err, count);
        if (!pop3) return 1;
        printLine(out, QStringLiteral("number\tsize\tkind\tfrom\tsubject"));
        for (int i = 1; i <= count; ++i) {
            Pop3Session::Status mail;
            if (pop3->status(i, mail) != 1) continue;
            QString mailer;
            const bool card =
                NMailGetHeaderField(mailer, mail.header, QStringLiteral("X-Mailer:"), 4096) &&
                mailer.contains(QStringLiteral("ZELKOV E-Mail QSL"));
            printLine(out, QStringLiteral("%1\t%2\t%3\t%4\t%5")
                               .arg(i)
                               .arg(pop3->size(i))
                               .arg(card ? QStringLiteral("card") : QStringLiteral("mail"),
                                    mail.from, mail.subject));
        }
        return 0;
    }
    if (verb == u"fetch" && args.size() == 4 && args[2] == u"--into") {
        const int n = args[1].toInt();
        const auto pop3 = openPop3(account, err, count);
        if (!pop3) return 1;
        if (n < 1 || n > count) {
            printLine(err, QStringLiteral(
                               "sendvik-cli: %1 番のメールはありません（メールボックスは %2 件）")
                               .arg(args[1].left(40), QString::number(count)));
            return 1;
        }
        Pop3Session::Mail mail;
        QDir().mkpath(args[3]);
        const int r = pop3->fetch(n, args[3], mail);
        if (r != 1) return fail(err, QStringLiteral("受信できません"), r, pop3->message());
        printLine(out, QStringLiteral("subject=") + mail.subject);
        printLine(out, QStringLiteral("attachment=") + mail.attachmentName);
        out << mail.body.toStdString() << '\n';
        return 0;
    }
    return usage(err);
}
