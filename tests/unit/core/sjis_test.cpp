#include "core/sjis.h"

#include <gtest/gtest.h>

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values)
        b.append(static_cast<char>(v));
    return b;
}

TEST(Sjis, RoundTripsWindowsJapaneseIncludingVendorExtensions) {
    // Fullwidth tilde, NEC circled one, IBM small roman one, the "hashigo" taka.
    const QString text = QStringLiteral("JA1ABC 東京～①ⅰ髙ｱ\\~");
    const QByteArray encoded = sjis::fromUnicode(text);
    EXPECT_EQ(encoded, QByteArray("JA1ABC ") +
                           bytes({0x93, 0x8c, 0x8b, 0x9e, 0x81, 0x60, 0x87, 0x40, 0xfa, 0x40, 0xfb,
                                  0xfc, 0xb1}) +
                           "\\~");
    EXPECT_EQ(sjis::toUnicode(encoded), text);
}

TEST(Sjis, MalformedInputNeverStopsTheConversion) {
    // A lead byte followed by an invalid trail, an undefined byte, and a lead
    // byte cut off at the end.
    const QString decoded = sjis::toUnicode(bytes({'A', 0x81, 0x20, 'B', 0xA0, 'C', 0x93}));
    EXPECT_TRUE(decoded.startsWith(u'A'));
    EXPECT_TRUE(decoded.contains(u'B'));
    EXPECT_TRUE(decoded.contains(u'C'));
    EXPECT_TRUE(decoded.contains(QChar(0xFFFD)));
}

TEST(Sjis, CharactersWithoutACp932FormBecomeQuestionMarks) {
    EXPECT_EQ(sjis::fromUnicode(QStringLiteral("a😀b한")), QByteArray("a?b?"));
}

TEST(Sjis, EucJpFromTheServerDecodes) {
    EXPECT_EQ(sjis::fromEucJp(bytes({0xc5, 0xec, 0xb5, 0xfe, 0xad, 0xa1})),
              QStringLiteral("東京①"));
}

TEST(Sjis, UserTextIsUtf8WhenMarkedOrValidElseCp932) {
    const QByteArray utf8 = QStringLiteral("表示").toUtf8();
    EXPECT_EQ(sjis::decodeUserText(utf8), QStringLiteral("表示"));
    EXPECT_EQ(sjis::decodeUserText(QByteArray("\xEF\xBB\xBF") + utf8), QStringLiteral("表示"));
    EXPECT_EQ(sjis::decodeUserText(bytes({0x95, 0x5c, 0x8e, 0xa6})), QStringLiteral("表示"));
    EXPECT_EQ(sjis::decodeUserText("plain ascii"), QStringLiteral("plain ascii"));
}

TEST(Sjis, LengthsAndCutsCountBytesAndKeepDoubleByteCharactersWhole) {
    EXPECT_EQ(sjis::byteLength(u"JA1ABC"), 6);
    EXPECT_EQ(sjis::byteLength(u"東京ｱ"), 5);
    EXPECT_EQ(sjis::leftBytes(u"AB東京", 3), QStringLiteral("AB"));
    EXPECT_EQ(sjis::leftBytes(u"AB東京", 4), QStringLiteral("AB東"));
    EXPECT_EQ(sjis::leftBytes(u"AB東京", 100), QStringLiteral("AB東京"));
    EXPECT_EQ(sjis::leftBytes(u"東", 0), QString());
    EXPECT_EQ(sjis::safeCut(bytes({0x93, 0x8c, 'x'}), 1), 0);
    // A cut of bytes that ends in a lone lead byte keeps that byte out too.
    EXPECT_EQ(sjis::safeCut(bytes({'a', 0x93}), 2), 2);
}

TEST(Sjis, MidBytesTakesDoubleByteCharactersAsAWhole) {
    EXPECT_EQ(sjis::midBytes(u"AB東京C", 2, 2), QStringLiteral("東"));
    EXPECT_EQ(sjis::midBytes(u"AB東京C", 2, 3), QStringLiteral("東"));
    EXPECT_EQ(sjis::midBytes(u"AB東京C", 3, 2), QStringLiteral("東"));  // starts inside 東
    EXPECT_EQ(sjis::midBytes(u"AB東京C", 6, 5), QStringLiteral("C"));
    EXPECT_EQ(sjis::midBytes(u"AB", 5, 1), QString());
}

TEST(Sjis, CutsKeepCharactersWithoutACp932FormAndSurrogatePairsWhole) {
    // 𠮷 is outside the Basic Multilingual Plane (a surrogate pair) and, like
    // é, has no CP932 form: cuts keep both as they are, never a half.
    const QString text = QStringLiteral("A𠮷é東B");
    const qsizetype yoshi = sjis::byteLength(u"𠮷");
    ASSERT_GE(yoshi, 1);
    EXPECT_EQ(sjis::leftBytes(text, 1), QStringLiteral("A"));
    EXPECT_EQ(sjis::leftBytes(text, 1 + yoshi), QStringLiteral("A𠮷"));
    EXPECT_EQ(sjis::leftBytes(text, 1 + yoshi + 1), QStringLiteral("A𠮷é"));
    EXPECT_EQ(sjis::leftBytes(text, 1 + yoshi + 2), QStringLiteral("A𠮷é"));  // 東 does not fit
    EXPECT_EQ(sjis::midBytes(text, 1, yoshi + 1), QStringLiteral("𠮷é"));
    EXPECT_EQ(sjis::midBytes(text, 1 + yoshi, 3), QStringLiteral("é東"));
}

TEST(Sjis, SearchNeverMatchesATrailByte) {
    // "ソ" is 0x83 0x5C: its trail byte is a backslash.
    const QByteArray hay = sjis::fromUnicode(u"ソ\\表");
    EXPECT_EQ(sjis::find(hay, "\\"), 2);
    EXPECT_EQ(sjis::find(hay, "\\", 3), -1);
    EXPECT_EQ(sjis::find(hay, sjis::fromUnicode(u"表")), 3);
    EXPECT_EQ(sjis::find("abcabc", "c", 3), 5);
    EXPECT_EQ(sjis::find("abc", "x"), -1);
}

}  // namespace
