// The MIME reader: a raw message read, its headers' encoded words decoded,
// its attachments named as files would be.

#include "fuzz_support.h"

#include "mail/mime_message.h"
#include "mail/qsl_mail_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::start(false);
    const QByteArray raw(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<IncomingMail> mail = parseMimeMessage(raw);
    if (mail) {
        if (mail->attachments.size() > 64) __builtin_trap();
        for (const MailAttachment& attachment : mail->attachments) {
            const QString& name = attachment.name;
            if (name.contains(u'/') || name.contains(u'\\') || name == u".." || name.isEmpty() ||
                name.toUtf8().size() > kMaxAttachmentNameBytes)
                __builtin_trap();  // a name that could leave the folder
            (void)parseCardFileName(name);
        }
        (void)headerFieldValue(mail->headers, QStringLiteral("X-Mailer"));
        (void)cardMailerYyMm(
            headerFieldValue(mail->headers, QStringLiteral("X-Mailer")).value_or(QString()));
    }
    (void)decodeHeaderText(raw.left(2000));
    return 0;
}
