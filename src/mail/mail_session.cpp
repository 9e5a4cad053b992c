#include "mail/mail_session.h"

#include "core/off_thread.h"

MailConnection::~MailConnection() = default;

int MailConnection::call(const std::function<int(NMailConnection&)>& work) {
    if (!isOpen()) return nmail_error::Handle;
    int result = 0;
    NMailConnection& link = *link_;
    runOffThread([&] { result = work(link); },
                 [&] {
                     if (stop_ && stop_()) link.requestStop();
                 });
    if (result < 0) message_ = link_->message();
    return result;
}

void MailConnection::close() {
    if (!isOpen()) return;
    std::unique_ptr<NMailConnection> closing = std::move(link_);
    runOffThread([&closing] { closing.reset(); });
}

SmtpSession::SmtpSession(const QString& host, int port, int sslFlags, const MailOptions& options) {
    runOffThread([&] { link_ = NMailSmtpConnectSsl(host, port, sslFlags, options); });
    if (!link_->isOpen()) message_ = link_->message();
}

SmtpSession::~SmtpSession() {
    close();
}

int SmtpSession::authenticate(const QString& host, const QString& account, const QString& password,
                              int method) {
    return call([&](NMailConnection& c) {
        return NMailSmtpAuthenticate(c, host, account, password, method);
    });
}

int SmtpSession::send(const QString& to, const QString& from, const QString& subject,
                      const QString& body, const QString& headers, const QString& attachment,
                      QString* result) {
    return call([&](NMailConnection& c) {
        return NMailSmtpSendMailEx(c, to, from, subject, body, headers, attachment, result);
    });
}

Pop3Session::Pop3Session(const QString& host, int port, int sslFlags, const MailOptions& options) {
    runOffThread([&] { link_ = NMailPop3ConnectSsl(host, port, sslFlags, options); });
    if (!link_->isOpen()) message_ = link_->message();
}

Pop3Session::~Pop3Session() {
    close();
}

int Pop3Session::authenticate(const QString& account, const QString& password, bool apop) {
    return call([&](NMailConnection& c) {
        return NMailPop3Authenticate(c, account, password, apop ? -1 : 0);
    });
}

int Pop3Session::status(int number, Status& out) {
    return call([&](NMailConnection& c) {
        return NMailPop3GetMailStatus(c, number, out.subject, out.date, out.from, out.header);
    });
}

int Pop3Session::size(int number) {
    return call([&](NMailConnection& c) { return NMailPop3GetMailSize(c, number); });
}

int Pop3Session::fetch(int number, const QString& folder, Mail& out) {
    return call([&](NMailConnection& c) {
        return NMailPop3GetMail(c, number, out.subject, out.date, out.from, out.header, out.body,
                                folder, out.attachmentName);
    });
}

int Pop3Session::fetchSource(int number, QByteArray& source) {
    return call([&](NMailConnection& c) { return NMailPop3GetMailSource(c, number, source); });
}

int Pop3Session::remove(int number) {
    return call([&](NMailConnection& c) { return NMailPop3DeleteMail(c, number); });
}

int Pop3Session::undoDeletions() {
    return call([&](NMailConnection& c) { return NMailPop3UndoDeletions(c); });
}

QString loginFailureHeadline(int result, const QString& refused) {
    if (result == nmail_error::Stopped || result == nmail_error::StoppedUnsent)
        return QStringLiteral("中止しました");
    if (result == nmail_error::Connect)
        return QStringLiteral("接続できません！サーバー名／ポート番号／SSL設定を確認");
    // The server was reached but went quiet or away: no fault of the account.
    if (result == nmail_error::Transfer)
        return QStringLiteral("サーバーとの通信ができません！サーバー名／ポート番号を確認");
    return QStringLiteral("(No%1) %2").arg(result).arg(refused);
}

QString loginFailureText(int result, const QString& refused, const QString& detail) {
    const QString headline = loginFailureHeadline(result, refused);
    if (result == nmail_error::Stopped || result == nmail_error::StoppedUnsent) return headline;
    return headline + u'\r' + detail;
}
