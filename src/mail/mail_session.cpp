#include "mail/mail_session.h"

#include "core/off_thread.h"
#include "mail/mail_account.h"

#include <algorithm>

void setUpMailLibrary(const MailAccount& account) {
    NMailSetCaFile(account.caFile);
    NMailSetOption(nmail_option::Timeout, std::max(5, account.timeoutSeconds));
}

int MailConnection::call(const std::function<int()>& work) {
    int result = 0;
    QString failure;
    runOffThread([&] {
        result = work();
        failure = NMailGetMessage(0);
    });
    if (result < 0) message_ = failure;
    return result;
}

SmtpSession::SmtpSession(const QString& host, int port, int sslFlags) {
    handle_ = call([&] { return NMailSmtpConnectSsl(host, port, sslFlags, 0); });
}

SmtpSession::~SmtpSession() {
    if (isOpen()) call([h = handle_] { return NMailSmtpClose(h); });
}

int SmtpSession::authenticate(const QString& host, const QString& account, const QString& password,
                              int method) {
    if (!isOpen()) return nmail_error::Handle;
    return call([&] { return NMailSmtpAuthenticate(handle_, host, account, password, method); });
}

int SmtpSession::send(const QString& to, const QString& from, const QString& subject,
                      const QString& body, const QString& headers, const QString& attachment,
                      QString* result) {
    if (!isOpen()) return nmail_error::Handle;
    return call([&] {
        return NMailSmtpSendMailEx(handle_, to, 0, 0, from, subject, body, headers, attachment,
                                   result, 0);
    });
}

Pop3Session::Pop3Session(const QString& host, int port, int sslFlags) {
    handle_ = call([&] { return NMailPop3ConnectSsl(host, port, sslFlags, 0); });
}

Pop3Session::~Pop3Session() {
    if (isOpen()) call([h = handle_] { return NMailPop3Close(h); });
}

int Pop3Session::authenticate(const QString& account, const QString& password, bool apop) {
    if (!isOpen()) return nmail_error::Handle;
    return call([&] { return NMailPop3Authenticate(handle_, account, password, apop ? -1 : 0); });
}

int Pop3Session::status(int number, Status& out) {
    if (!isOpen()) return nmail_error::Handle;
    return call([&] {
        return NMailPop3GetMailStatus(handle_, number, out.subject, out.date, out.from, out.header,
                                      0);
    });
}

int Pop3Session::size(int number) {
    if (!isOpen()) return nmail_error::Handle;
    return call([&] { return NMailPop3GetMailSize(handle_, number); });
}

int Pop3Session::fetch(int number, const QString& folder, Mail& out) {
    if (!isOpen()) return nmail_error::Handle;
    return call([&] {
        return NMailPop3GetMail(handle_, number, out.subject, out.date, out.from, out.header,
                                out.body, folder, out.attachmentName);
    });
}

int Pop3Session::fetchSource(int number, QByteArray& source) {
    if (!isOpen()) return nmail_error::Handle;
    return call([&] { return NMailPop3GetMailSource(handle_, number, source); });
}

int Pop3Session::remove(int number) {
    if (!isOpen()) return nmail_error::Handle;
    return call([&] { return NMailPop3DeleteMail(handle_, number); });
}
