#include "core/zk_dll5.h"

#include "test_support.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

using testing_support::Sandbox;

namespace {

TEST(StrToLong, LeadingIntegerWithSignAndClamping) {
    EXPECT_EQ(StrToLong(u"123abc"), 123);
    EXPECT_EQ(StrToLong(u"  -45"), -45);
    EXPECT_EQ(StrToLong(u"+7"), 7);
    EXPECT_EQ(StrToLong(u""), 0);
    EXPECT_EQ(StrToLong(u"x1"), 0);
    EXPECT_EQ(StrToLong(u"99999999999"), 2147483647);
    EXPECT_EQ(StrToLong(u"-99999999999"), -2147483648);
}

TEST(Numbers, RoundingThousandsAndLeadingIntegers) {
    EXPECT_EQ(RoundHalfAway(2.5), 3);
    EXPECT_EQ(RoundHalfAway(-2.5), -3);
    EXPECT_EQ(RoundHalfAway(2.49), 2);
    EXPECT_EQ(FormatThousands(1234567), QStringLiteral("1,234,567"));
    EXPECT_EQ(FormatThousands(-1000), QStringLiteral("-1,000"));
    EXPECT_EQ(FormatThousands(999), QStringLiteral("999"));
    EXPECT_EQ(StrToLong(u"  42abc"), 42);
    EXPECT_EQ(StrToLong(u"-7,3"), -7);
    EXPECT_EQ(StrToLong(u"abc"), 0);
}

TEST(Numbers, ParseNumberOrHexFindsTheFirstNumber) {
    EXPECT_EQ(ParseNumberOrHex(u"x=0x1F,"), 31);
    EXPECT_EQ(ParseNumberOrHex(u"abc"), kNoNumber);
    EXPECT_EQ(ParseNumberOrHex(u""), kNoNumber);
    EXPECT_EQ(ParseNumberOrHex(u"color -12 px"), -12);
    EXPECT_EQ(ParseNumberOrHex(u"a-b 5"), 5);         // "-" not before a digit is skipped
    EXPECT_EQ(ParseNumberOrHex(u"0xFFFFFFFF9"), -1);  // eight digits at most
    EXPECT_EQ(ParseNumberOrHex(u"0xZZ"), kNoNumber);  // "0x" without digits
    EXPECT_EQ(ParseNumberOrHex(u"ab\x0001"
                               "5"),
              kNoNumber);  // a control code ends the text
    EXPECT_EQ(ParseNumberOrHex(u"0x"), kNoNumber);
}

TEST(ListReaders, WalkCommaListsAndStopAtTheEndOrAStopCharacter) {
    const QString list = u"9,9,640,400"_s;
    qsizetype cursor = 0;
    EXPECT_EQ(StrToLong(list), 9);
    EXPECT_EQ(NextListNumber(list, cursor), 9);
    EXPECT_EQ(NextListNumber(list, cursor), 640);
    EXPECT_EQ(NextListNumber(list, cursor), 400);
    EXPECT_EQ(NextListNumber(list, cursor), 0);
    EXPECT_EQ(cursor, list.size());
    EXPECT_EQ(NextListNumber(list, cursor), 0);  // stays at the end

    // Negative numbers and odd separators.
    const QString odd = u"-5 ;; -12 , 7"_s;
    cursor = 0;
    EXPECT_EQ(NextListNumber(odd, cursor), -12);
    EXPECT_EQ(NextListNumber(odd, cursor), 7);

    // A quote, colon or backslash before the next number ends the list there.
    const QString stop = u"1,2:3"_s;
    cursor = 0;
    EXPECT_EQ(NextListNumber(stop, cursor), 2);
    EXPECT_EQ(NextListNumber(stop, cursor), 0);
    EXPECT_EQ(stop[cursor], u':');
    EXPECT_EQ(NextListNumber(stop, cursor), 0);
}

TEST(ListReaders, ColumnWidthsDefaultTo64) {
    const QString widths = u"9,9,700,600,36,1,0"_s;
    qsizetype cursor = 0;
    for (int expected : {9, 700, 600, 36, 64, 64, 64, 64})
        EXPECT_EQ(NextColumnWidth(widths, cursor), expected);
}

TEST(Strings, PaddingBlanksAndReplacement) {
    EXPECT_EQ(PadField(u"JA1ABC", 12), QStringLiteral("JA1ABC      "));
    EXPECT_EQ(PadField(u"JA1ABCDEFGHIJK", 6), QStringLiteral("JA1ABC"));
    EXPECT_EQ(PadField(u"a\tb\r", 5), QStringLiteral("a b  "));
    EXPECT_EQ(PadField(u"x", 0), QString());
    EXPECT_TRUE(IsBlank(u""));
    EXPECT_TRUE(IsBlank(u"   "));
    EXPECT_FALSE(IsBlank(u" x "));
    QString s = u"abc   "_s;
    TrimRightSpaces(s);
    EXPECT_EQ(s, QStringLiteral("abc"));
    EXPECT_EQ(ReplaceAll(u"aaa", u"a", u"aa"), QStringLiteral("aaaaaa"));  // no rescanning
    EXPECT_EQ(ReplaceAll(u"a-b-c", u"-", u""), QStringLiteral("abc"));
    EXPECT_EQ(ReplaceAll(u"Abc", u"a", u"x"), QStringLiteral("Abc"));  // case-sensitive
    EXPECT_EQ(ReplaceAll(u"abc", u"", u"x"), QStringLiteral("abc"));
}

TEST(Strings, ToggleMenuAccelAddsAndStripsTheNumberPrefix) {
    EXPECT_EQ(ToggleMenuAccel(u"(&3) file.txt", 0), QStringLiteral("file.txt"));
    EXPECT_EQ(ToggleMenuAccel(u"a.b", 3), QStringLiteral("(&3) a.b"));
    EXPECT_EQ(ToggleMenuAccel(u"a.b", 10), QStringLiteral("(&A) a.b"));
    EXPECT_EQ(ToggleMenuAccel(u"a.b", 31), QStringLiteral("(&V) a.b"));
    EXPECT_EQ(ToggleMenuAccel(u"(&3) a.txt", 0), QString());  // five characters
    EXPECT_EQ(ToggleMenuAccel(u"a", 1), QString());           // "(&1) a" is six
    EXPECT_EQ(ToggleMenuAccel(u"", 1), QString());
}

TEST(Strings, ExtractQuotedTakesFirstToLastQuoteOrComplains) {
    Sandbox box;
    QString line = u"#Text 10,20,\"a \"quoted\" text\" trailing"_s;
    qsizetype start = -1;
    EXPECT_EQ(ExtractQuoted(start, line), 0);
    EXPECT_EQ(line.mid(start), QStringLiteral("a \"quoted\" text"));
    EXPECT_TRUE(box.messages.messages().empty());

    QString bad = u"#Text 10,20,\"no end"_s + QString(300, u'x');
    EXPECT_EQ(ExtractQuoted(start, bad), -1);
    ASSERT_EQ(box.messages.messages().size(), 1u);
    EXPECT_EQ(box.messages.messages()[0].text, QStringLiteral(" \" がありません"));
    EXPECT_EQ(box.messages.messages()[0].caption, bad.left(260));
    EXPECT_EQ(box.messages.messages()[0].flags, 16u);
}

TEST(Keys, DigitOverwriteTypesOverAndSwallowsTheRest) {
    QString text = u"12:34"_s;
    qsizetype caret = 1;
    QChar key = u'9';
    DigitOverwriteKey(text, caret, key);
    EXPECT_EQ(text, QStringLiteral("19:34"));
    EXPECT_EQ(caret, 2);
    EXPECT_EQ(key, QChar(0));
    caret = 5;  // at the end the digit is appended
    key = u'5';
    DigitOverwriteKey(text, caret, key);
    EXPECT_EQ(text, QStringLiteral("19:345"));
    key = u'a';
    DigitOverwriteKey(text, caret, key);
    EXPECT_EQ(key, QChar(0));
    EXPECT_EQ(text, QStringLiteral("19:345"));
    key = QChar(8);
    DigitOverwriteKey(text, caret, key);
    EXPECT_EQ(key, QChar(8));
}

TEST(Keys, KanaKeysBecomeTheLettersPrintedOnThem) {
    auto map = [](char16_t c) {
        QChar k(c);
        KanaKeyToAscii(k);
        return k;
    };
    EXPECT_EQ(map(0xFF81), QChar(u'A'));    // byte C1, the A key
    EXPECT_EQ(map(0xFF7A), QChar(u'B'));    // byte BA
    EXPECT_EQ(map(0xFF9B), QChar(u'\\'));   // byte DB, the ro key
    EXPECT_EQ(map(0xFF79), QChar(u':'));    // byte B9, the last of the table
    EXPECT_EQ(map(0xFF67), QChar(0xFF67));  // byte A7 is on no key of the table
    EXPECT_EQ(map(u'q'), QChar(u'Q'));
    EXPECT_EQ(map(u'5'), QChar(u'5'));
    EXPECT_EQ(map(0xFF70), QChar(u'\\'));  // byte B0 (the long vowel mark) is the yen key
}

TEST(Wildcards, CallPatternsAndMatching) {
    QString p = u"AB1*"_s;
    EXPECT_TRUE(CallPatternFromInput(p));
    EXPECT_EQ(p, QStringLiteral("AB1*"));
    p = u"*"_s;
    EXPECT_FALSE(CallPatternFromInput(p));
    p = u"AB1.C"_s;
    EXPECT_TRUE(CallPatternFromInput(p));
    EXPECT_EQ(p, QStringLiteral("AB1?C"));
    p = u"JA1ABC"_s;
    EXPECT_FALSE(CallPatternFromInput(p));
    p = u"@1^"_s;
    EXPECT_TRUE(CallPatternFromInput(p));
    EXPECT_EQ(p, QStringLiteral("*1?"));

    EXPECT_TRUE(WildcardMatch(u"JA1ABC", u"JA1*"));
    EXPECT_TRUE(WildcardMatch(u"JA1ABC", u"*ABC"));
    EXPECT_TRUE(WildcardMatch(u"JA1ABC", u"J?1*C"));
    EXPECT_TRUE(WildcardMatch(u"", u"*"));
    EXPECT_TRUE(WildcardMatch(u"JA1", u"JA1**"));
    EXPECT_FALSE(WildcardMatch(u"JA1ABC", u"JA1"));  // the whole text
    EXPECT_FALSE(WildcardMatch(u"JA1", u"JA1?"));
    EXPECT_FALSE(WildcardMatch(u"ja1abc", u"JA1*"));  // case-sensitive
    EXPECT_TRUE(WildcardMatch(u"AXBXC", u"A*B*C"));
    EXPECT_FALSE(WildcardMatch(u"AXBXD", u"A*B*C"));
}

TEST(Wildcards, ManyStarsOnHostileInputStayFast) {
    const QString text = QString(5000, u'A');
    const QString pattern = QStringLiteral("*A").repeated(200) + u'B';
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(WildcardMatch(text, pattern));
    EXPECT_LT(timer.elapsed(), 2000);
}

}  // namespace
