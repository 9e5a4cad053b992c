#include "core/comma_text.h"

#include <gtest/gtest.h>

namespace {

TEST(CommaText, QuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(commaTextJoin({QStringLiteral("7"), QStringLiteral("CW"), QStringLiteral("a b"),
                             QStringLiteral("x,y"), QStringLiteral("say \"hi\""), QString()}),
              QStringLiteral("7,CW,\"a b\",\"x,y\",\"say \"\"hi\"\"\","));
    EXPECT_EQ(commaTextJoin({QString()}), QStringLiteral("\"\""));
    EXPECT_EQ(commaTextJoin({}), QString());
}

TEST(CommaText, SplittingGivesTheItemsBack) {
    const QStringList items = {QStringLiteral("JA1ABC"),
                               QString(),
                               QStringLiteral("東京 都"),
                               QStringLiteral("\"q\""),
                               QStringLiteral("a,b"),
                               QStringLiteral("tab\there"),
                               QString()};
    EXPECT_EQ(commaTextSplit(commaTextJoin(items)), items);
}

TEST(CommaText, BlanksOutsideQuotesSeparateItems) {
    EXPECT_EQ(commaTextSplit(u"a b,c"),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(commaTextSplit(u"  a , b "), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(commaTextSplit(u"a,,b"),
              (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
    EXPECT_EQ(commaTextSplit(u""), QStringList());
}

TEST(CommaText, MalformedTextStillSplitsAndEnds) {
    // An unclosed quote takes the rest; text glued to a closing quote is a new
    // item; a NUL is a blank.
    EXPECT_EQ(commaTextSplit(u"\"abc"), QStringList{QStringLiteral("abc")});
    EXPECT_EQ(commaTextSplit(u"\"ab\"cd"),
              (QStringList{QStringLiteral("ab"), QStringLiteral("cd")}));
    const QString withNul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    EXPECT_EQ(commaTextSplit(withNul), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
}

}  // namespace
