// Cutting the service server's replies, and the request texts built from them.

#include "server/server_payload.h"
#include "core/sjis.h"
#include "server/httplib.h"
#include "server/novq_requests.h"
#include "test_support.h"

#include <QStringDecoder>

#include <gtest/gtest.h>

namespace {

QByteArray euc(const QString& text) {
    QStringEncoder encoder("EUC-JP");
    return encoder(text);
}

TEST(ServerPayload, EucToSjisMatchesTheCodecForKanjiKanaAndHalfWidthKatakana) {
    const QString text = u"電子ＱＳＬカード、ﾃｽﾄ 73!"_s;
    const QByteArray converted = EucToSjis(euc(text));
    EXPECT_EQ(converted, sjis::fromUnicode(text));
    EXPECT_EQ(sjis::toUnicode(converted), text);
    // 0x8E before a byte outside the half-width range is copied as it stands.
    EXPECT_EQ(EucToSjis("\x8E\x41"), QByteArray("\x8E\x41"));
    // A lead byte at the very end is copied.
    EXPECT_EQ(EucToSjis("ab\xB0"), QByteArray("ab\xB0"));
}

TEST(ServerPayload, LineBreaksBecomeCrLf) {
    EXPECT_EQ(normalizeLineBreaks("a\nb\rc\r\nd\n\r"), QByteArray("a\r\nb\r\nc\r\nd\r\n\r\n"));
}

TEST(ServerPayload, PPayloadRules) {
    EXPECT_EQ(cutPPayload("<HTML><P>jr1abc@qsl.test</P></HTML>"), "jr1abc@qsl.test");
    // Without "<P>" the payload starts at the third character.
    EXPECT_EQ(cutPPayload("xxabc</P>"), "abc");
    EXPECT_EQ(cutPPayload("<P>no end"), QByteArray());
    // At most 255 bytes: a "</P>" beyond them is not seen.
    EXPECT_EQ(cutPPayload("<P>" + QByteArray(255, 'a') + "</P>"), QByteArray());
    EXPECT_EQ(cutPPayload("<P>" + QByteArray(251, 'a') + "</P>"), QByteArray(251, 'a'));
}

TEST(ServerPayload, PrePayloadRules) {
    EXPECT_EQ(cutPrePayload("<PRE>\r\nJA1A,a@b\r\n</PRE>", 8192), "\r\nJA1A,a@b\r\n");
    EXPECT_EQ(cutPrePayload("<PRE>abcdef", 3), "abc");
    // A "</PRE>" right at the start does not end the payload.
    EXPECT_EQ(cutPrePayload("<PRE></PRE>x", 100), "</PRE>x");
    // Never half a double-byte character.
    EXPECT_EQ(cutPrePayload("<PRE>a" + sjis::fromUnicode(u"漢"_s), 2), "a");
}

TEST(ServerPayload, RegistrationPageLosesBreaksAndTags) {
    EXPECT_EQ(registrationPageText("<H1>T</H1><P><B>Call:</B>JR1ABC<BR>\r\nok<BR>\r\n</P>x"),
              "Call:JR1ABC\rok\r");
    // The first ">" before the first "<" stops the cleaning.
    EXPECT_EQ(registrationPageText("a>b<c>"), "a>b<c>");
    EXPECT_EQ(registrationPageText("<P>a<b"), "a<b");
}

TEST(ServerRequests, BodiesAndParsing) {
    EXPECT_EQ(memberRequestBody({u"JA1AAA  "_s, u"JA2BBB/1"_s}), "callx=JA1AAA_JA2BBB/1_");
    const QString lines = u"\r\nJA1AAA,ja1aaa@x.test\r\nJA1AA,short@x.test\r\n"_s;
    EXPECT_EQ(addressInLines(lines, u"JA1AA"_s), u"short@x.test"_s);
    EXPECT_EQ(addressInLines(lines, u"JA1AAA"_s), u"ja1aaa@x.test"_s);
    EXPECT_EQ(addressInLines(lines, u"JA9ZZZ"_s), QString());
    // Only the whole first field is the call: look-alike calls inside
    // another station's call never take its address.
    const QString alike = u"JN1ABC,jn1abc@x.test\r\nJA1ABC,ja1abc@x.test\r\nN1ABC\r\n"_s;
    EXPECT_EQ(addressInLines(alike, u"N1ABC"_s), QString());
    EXPECT_EQ(addressInLines(alike, u"A1ABC"_s), QString());
    EXPECT_EQ(addressInLines(alike, u"JA1ABC "_s), u"ja1abc@x.test"_s);
    EXPECT_EQ(addressInLines(u"ja1abc,  a@x.test ,extra\n"_s, u"JA1ABC"_s), u"a@x.test"_s);

    const ZkUserInfo member = parseZkUser(u"JR2XYZ,Edit,jr2xyz@qsl.test,"_s);
    EXPECT_TRUE(member.edit);
    EXPECT_TRUE(member.member());
    EXPECT_FALSE(parseZkUser(u"JH3AAA,,a@b,"_s).member());
    EXPECT_FALSE(parseZkUser(QString()).member());

    EXPECT_EQ(bandStatistic({u"7FT8"_s, u"14CW"_s, u"7FT8"_s, u"10SSB"_s, u"7FT8"_s}),
              u"10SSB,14CW,7FT8:3"_s);
    EXPECT_EQ(bandStatistic({u"7SSB AM"_s}), u"\"7SSB AM\""_s);

    const QString primary = u"https://www.zelkov.example/"_s;
    const QString alternate = u"https://novq.zelkov.example/"_s;
    const QString page = u"<P>manual: https://www.zelkov.example/tgw/m.html</A>"_s;
    EXPECT_EQ(manualAddressIn(page, alternate, primary, true),
              u"https://novq.zelkov.example/tgw/m.html"_s);
    EXPECT_EQ(manualAddressIn(page, primary, primary, false),
              u"https://www.zelkov.example/tgw/m.html"_s);
    EXPECT_EQ(manualAddressIn(u"see http://a.test/x</"_s, primary, primary, false),
              u"http://a.test/x"_s);
    EXPECT_EQ(urlFolder(u"https://h.test/member/novq_510.cgi"_s), u"https://h.test/member/"_s);
}

}  // namespace
