#include "archive/received_marks.h"

#include <gtest/gtest.h>

namespace {

TEST(ReceivedMarks, TheSettingsPairsAndItsEnds) {
    const QString s = QStringLiteral("H;*=W;");
    // Marking marked QSOs too.
    EXPECT_EQ(receivedMarkFor(s, u' ', true), u'H');
    EXPECT_EQ(receivedMarkFor(s, u'*', true), u'W');
    EXPECT_EQ(receivedMarkFor(s, u'H', true), std::nullopt);  // has the first already
    EXPECT_EQ(receivedMarkFor(s, u'W', true), std::nullopt);  // no pair, the last is ";"
    EXPECT_EQ(receivedMarkFor(s, u'Q', true), std::nullopt);
    EXPECT_EQ(receivedMarkFor(QStringLiteral("H;*=W;Q=E"), u'Q', true), u'E');
    EXPECT_EQ(receivedMarkFor(QStringLiteral("H;*=W;E"), u'Z', true), u'E');        // the last
    EXPECT_EQ(receivedMarkFor(QStringLiteral("H;E=E"), u'E', true), std::nullopt);  // its own
    // Only QSOs without a mark otherwise, and a setting that starts blank.
    EXPECT_EQ(receivedMarkFor(s, u' ', false), u'H');
    EXPECT_EQ(receivedMarkFor(s, u'*', false), std::nullopt);
    EXPECT_EQ(receivedMarkFor(QStringLiteral(" H"), u' ', true), std::nullopt);
    EXPECT_EQ(receivedMarkFor(QString(), u' ', true), std::nullopt);
}

}  // namespace
