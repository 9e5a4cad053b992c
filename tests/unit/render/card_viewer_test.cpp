#include "render/card_viewer.h"
#include "test_support.h"

#include <QFile>

#include <gtest/gtest.h>

using testing_support::Sandbox;
using testing_support::writeBytes;

namespace {

TEST(CardViewer, EntriesSortByQsoDateFileTimeOrName) {
    const QDateTime t(QDate(2024, 3, 5), QTime(7, 8));
    const QString e = viewerEntry(u"/q/受信/JA1ABC_240315_1234_7.024_CW_JS2IIU.jpg"_s, t, 0);
    EXPECT_EQ(e.left(60).trimmed(), u"240315_1234_7.024_CW_JS2IIU.jpg"_s);
    EXPECT_EQ(e.mid(60), u"\"2024/03/05 07:08\"/q/受信/JA1ABC_240315_1234_7.024_CW_JS2IIU.jpg"_s);
    EXPECT_EQ(entryPath(e), u"/q/受信/JA1ABC_240315_1234_7.024_CW_JS2IIU.jpg"_s);
    EXPECT_EQ(entryTime(e), u"2024/03/05 07:08"_s);
    EXPECT_EQ(viewerEntry(u"/q/plain.jpg"_s, t, 0).left(60).trimmed(), u"plain.jpg"_s);
    EXPECT_TRUE(viewerEntry(u"/q/a_b.jpg"_s, t, 1).left(60).trimmed().isEmpty());
    EXPECT_EQ(viewerEntry(u"/q/a_b.jpg"_s, t, 2).left(60).trimmed(), u"a_b.jpg"_s);

    EXPECT_EQ(shownIndex(0, 5, viewer_sort::QsoDate), 4);  // the newest first
    EXPECT_EQ(shownIndex(0, 5, viewer_sort::FileName), 0);
    EXPECT_EQ(shownIndex(3, 1, viewer_sort::QsoDate), 0);
    EXPECT_EQ(viewerPositionLabel(2, 12, u"2024/03/15 12:34"_s),
              QString(18, u' ') + u"3／12 (2024/03/15 12:34)"_s);
}

TEST(CardViewer, SmallFilesAreNotCardsAndMasksMatchWithoutCase) {
    Sandbox box;
    writeBytes(box.path(u"JA1ABC_240101_0000_7_CW_JS2IIU.jpg"_s), QByteArray(3000, 'x'));
    writeBytes(box.path(u"JH1XYZ_240301_0000_7_CW_JS2IIU.JPG"_s), QByteArray(3000, 'x'));
    writeBytes(box.path(u"tiny_240201_0000_7_CW_JS2IIU.jpg"_s), QByteArray(1024, 'x'));
    writeBytes(box.path(u"notes.txt"_s), QByteArray(3000, 'x'));
    const QStringList cards = findCards(viewerMask(box.path(u"x.jpg"_s), 0), viewer_sort::QsoDate);
    ASSERT_EQ(cards.size(), 2);
    EXPECT_TRUE(entryPath(cards[0]).endsWith(u"JA1ABC_240101_0000_7_CW_JS2IIU.jpg"_s));
    EXPECT_TRUE(entryPath(cards[1]).endsWith(u"JH1XYZ_240301_0000_7_CW_JS2IIU.JPG"_s));
    EXPECT_EQ(findCards(box.path(u"JH1*"_s), 0).size(), 1);
    EXPECT_EQ(viewerMask(box.path(u"tiny.jpg"_s), viewer_flag::MaskGiven), box.path(u"tiny.jpg"_s));
    EXPECT_TRUE(findCards(box.path(u"tiny*"_s), 0).isEmpty());
}

TEST(CardViewer, PicturesFitTheScreenAndLabels) {
    EXPECT_EQ(fitPicture({1600, 1200}, {1280, 984}), QSize(1280, 960));
    EXPECT_EQ(fitPicture({1024, 652}, {1280, 984}), QSize(1024, 652));
    EXPECT_EQ(fitPicture({1000, 3000}, {1280, 984}), QSize(328, 984));
    EXPECT_EQ(fitPicture({0, 0}, {1280, 984}), QSize(1, 1));
    EXPECT_EQ(previewLabel(true, 12345, {1024, 652}, u"a.jpg"_s), u"No12,345 (1024x652)"_s);
    EXPECT_EQ(previewLabel(true, 0, {1024, 652}, u"a.jpg"_s), u"(1024x652)"_s);
    EXPECT_EQ(previewLabel(false, 7, {1024, 652}, u"a.jpg"_s), u"No7 a.jpg"_s);
    EXPECT_EQ(previewLabel(false, 0, {1024, 652}, u"a.jpg"_s), u"(1024x652) a.jpg"_s);
    EXPECT_EQ(cardMessagePath(u"/q/QslMsg"_s, u"/q/受信/A_B.jpg"_s), u"/q/QslMsg/A_B.txt"_s);
}

}  // namespace
