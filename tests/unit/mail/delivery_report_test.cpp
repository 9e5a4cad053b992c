// Delivery reports read for the card mail they answer: the standard form
// Postfix and most servers send, the carriers' home-made forms of the test
// corpus, and what is no failure of ours.

#include "mail/delivery_report.h"
#include "mail/mime_message.h"

#include "test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

const QString kCard = u"JR1ABC_261130_1210_7.024_CW_JA7BAD.jpg"_s;

// A standard report: the human part, the per-recipient fields, the
// returned headers.
QByteArray standardReport(const QString& action, const QString& messageId) {
    return QStringLiteral(
               "From: MAILER-DAEMON@mx.example.jp (Mail Delivery System)\r\n"
               "To: jr1abc@example.jp\r\nSubject: Undelivered Mail Returned to Sender\r\n"
               "Date: Wed, 9 Dec 2026 21:54:00 +0900\r\nMIME-Version: 1.0\r\n"
               "Content-Type: multipart/report; report-type=delivery-status;\r\n"
               "\tboundary=\"B1\"\r\n\r\n--B1\r\nContent-Type: text/plain\r\n\r\n"
               "This is the mail system at host mx.example.jp.\r\n\r\n--B1\r\n"
               "Content-Type: message/delivery-status\r\n\r\nReporting-MTA: dns; "
               "mx.example.jp\r\n\r\n"
               "Final-Recipient: rfc822; ja7bad@example.net\r\nOriginal-Recipient: "
               "rfc822;ja7bad@example.net\r\n"
               "Action: %1\r\nStatus: 5.1.1\r\nDiagnostic-Code: smtp; 550 5.1.1 "
               "<ja7bad@example.net>:\r\n"
               "    Recipient address rejected: User unknown\r\n\r\n--B1\r\n"
               "Content-Type: text/rfc822-headers\r\n\r\nFrom: jr1abc@example.jp\r\n"
               "Subject: ZELKOV E-Mail QSL From:JR1ABC QSO-Date:2026/11/30\r\n"
               "Message-ID: <%2>\r\n\r\n--B1--\r\n")
        .arg(action, messageId)
        .toUtf8();
}

// The card's name travels in the Message-Id of its mail and nowhere else is
// needed; other ids and names that could leave a folder give nothing.
TEST(DeliveryReport, TheStandardFormNamesTheCardByItsMessageId) {
    const QString id = cardMessageId(kCard, u"example.jp"_s);
    EXPECT_TRUE(id.startsWith(u"qsl."_s));
    EXPECT_TRUE(id.endsWith(u"@example.jp"_s));
    EXPECT_EQ(cardNameOfMessageId(u"<"_s + id + u">"_s), kCard);
    EXPECT_NE(cardMessageId(kCard, u"example.jp"_s), id);  // every mail its own id
    EXPECT_EQ(cardNameOfMessageId(u"<1234@example.jp>"_s), QString());
    EXPECT_EQ(cardNameOfMessageId(u"qsl.2e2e2f6574632f706173737764.x@a"_s),
              QString());  // ../etc/passwd
    EXPECT_EQ(cardNameOfMessageId(u"qsl.zz.x@a"_s), QString());

    const auto failure = readDeliveryFailure(standardReport(u"failed"_s, id));
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->cardName, kCard);
    EXPECT_EQ(failure->recipient, u"ja7bad@example.net"_s);
    EXPECT_EQ(failure->status, u"5.1.1"_s);
    EXPECT_EQ(failure->reason,
              u"550 5.1.1 <ja7bad@example.net>: Recipient address rejected: User unknown"_s);
    EXPECT_EQ(failure->subject, u"Undelivered Mail Returned to Sender"_s);

    // A delay is no failure; a report about another mail is none of ours.
    EXPECT_FALSE(readDeliveryFailure(standardReport(u"delayed"_s, id)));
    EXPECT_FALSE(readDeliveryFailure(standardReport(u"failed"_s, u"1234@example.jp"_s)));
    // A card mail that merely quotes an id in its text is no report.
    QByteArray quoted =
        "From: ja1abc@example.jp\r\nSubject: hello\r\n\r\nMessage-ID: <" + id.toUtf8() + ">\r\n";
    EXPECT_FALSE(readDeliveryFailure(quoted));
    EXPECT_TRUE(mightBeDeliveryReport(u"Content-Type: multipart/report; report-type=x\r\n"_s));
    EXPECT_FALSE(mightBeDeliveryReport(u"From: ja1abc@example.jp\r\nSubject: 73\r\n"_s));
}

// The carriers' own forms: au's mixed mail with the returned message, and
// ezweb's plain text with the returned headers inline and bare CR lines.
TEST(DeliveryReport, TheCarriersHomeMadeFormsOfTheCorpus) {
    const QString id = cardMessageId(kCard, u"example.jp"_s);
    QByteArray au =
        readBytes(dataFile(u"mail/bounce_au_raw_utf8_subject_body_labelled_iso2022jp.eml"_s));
    ASSERT_TRUE(au.contains("Message-Id: <2013000000000000@example.jp>"));
    EXPECT_FALSE(readDeliveryFailure(au));  // somebody else's mail
    au.replace("Message-Id: <2013000000000000@example.jp>", "Message-Id: <" + id.toUtf8() + ">");
    auto failure = readDeliveryFailure(au);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->cardName, kCard);
    EXPECT_EQ(failure->recipient, u"kijitora@x0000000000000.dion.ne.jp"_s);
    EXPECT_EQ(failure->reason, u"送信先のメールボックスが一杯のため、送信できませんでした。"_s);
    EXPECT_TRUE(mightBeDeliveryReport(u"Subject: メールエラー通知\r\n"_s));

    QByteArray ezweb =
        readBytes(dataFile(u"mail/bounce_ezweb_cr_only_line_endings_mbox_from_line.eml"_s));
    const QByteArray theirs = "Message-Id: <20080907124011.12ABCD8@lsean.ezweb.ne.jp>";
    ASSERT_TRUE(ezweb.contains(theirs));
    ezweb.replace(theirs, "Message-Id: <" + id.toUtf8() + ">");
    failure = readDeliveryFailure(ezweb);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->cardName, kCard);
    EXPECT_EQ(failure->recipient, u"this-message-rejected-by-the-domain-filter@ezweb.ne.jp"_s);
    EXPECT_EQ(failure->reason,
              u"Each of the following recipients was rejected by a remote mail server."_s);

    // A report without its parts says nothing about any card.
    EXPECT_FALSE(readDeliveryFailure(
        readBytes(dataFile(u"mail/multipart_report_without_boundary_param.eml"_s))));
}

// The card mail this program builds carries the id its report will return.
TEST(DeliveryReport, ACardMailCarriesTheIdOfItsCard) {
    Sandbox box;
    writeBytes(box.path(kCard), QByteArray(3000, 'x'));
    OutgoingMail mail{u"jr1abc@example.jp"_s, u"ja7bad@example.net"_s, u"QSL"_s, u"73"_s, {},
                      box.path(kCard)};
    QString error;
    const QByteArray raw = buildMimeMessage(mail, &error);
    ASSERT_FALSE(raw.isEmpty()) << error.toStdString();
    const auto parsed = parseMimeMessage(raw);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(
        cardNameOfMessageId(headerFieldValue(parsed->headers, u"Message-ID"_s).value_or(QString())),
        kCard);
}

}  // namespace
