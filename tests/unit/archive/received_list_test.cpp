#include "archive/received_list.h"

#include "log_fixture.h"
#include "logdata/zelkov50.h"
#include "test_support.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

void card(const Sandbox& box, const QString& name, int bytes, const QString& time) {
    const QString path = box.path(u"受信/"_s + name);
    writeBytes(path, QByteArray(bytes, 'x'));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.setFileTime(QDateTime::fromString(time, u"yyyy-MM-dd HH:mm"_s),
                     QFileDevice::FileModificationTime);
}

std::vector<QString> names(const std::vector<ReceivedCardFile>& files) {
    std::vector<QString> out;
    for (const ReceivedCardFile& f : files)
        out.push_back(f.name.left(6));
    return out;
}

// The receive folder's cards, in the list's orders, matched against a log.
TEST(ReceivedList, CardsOfTheFolderInOrderMatchedAndCounted) {
    Sandbox box;
    QDir().mkpath(box.path(u"受信"_s));
    card(box, u"ja1abc_261120_2342_7.024_CW_JS2IIU.JPG"_s, 3000, u"2026-12-03 10:00"_s);
    card(box, u"JR2XYZ_261121_1000_7.024_CW_JS2IIU.jpg"_s, 3000, u"2026-12-01 10:00"_s);
    card(box, u"JH3AAA_261122_1000_7.024_CW_JS2IIU.jpg"_s, 3000, u"2026-12-02 10:00"_s);
    card(box, u"JA1ABC_261125_1000_7.024_CW_JS2IIU.jpg"_s, 3000, u"2026-12-04 10:00"_s);
    card(box, u"JA1ABC_261126_1000_7.024_CW_JS2IIU.jpg"_s, 2048, u"2026-12-04 10:00"_s);
    card(box, u"JA1ABC_200101_1000_7.024_CW_JS2IIU.jpg"_s, 3000, u"2026-12-04 10:00"_s);
    card(box, u"NOFIELDS.jpg"_s, 3000, u"2026-12-05 10:00"_s);

    ReceivedListSettings settings;
    settings.oldestDate = u"21/01/01"_s;
    const QString folder = box.path(u"受信"_s);
    // By QSO date (a name without one left out), by file time, by call.
    settings.order = 1;
    EXPECT_EQ(names(receivedCardFiles(folder, settings)),
              (std::vector<QString>{u"JA1ABC"_s, u"JR2XYZ"_s, u"JH3AAA"_s, u"JA1ABC"_s}));
    settings.order = 0;
    EXPECT_EQ(names(receivedCardFiles(folder, settings)),
              (std::vector<QString>{u"JR2XYZ"_s, u"JH3AAA"_s, u"JA1ABC"_s, u"JA1ABC"_s}));
    settings.order = 2;
    const std::vector<ReceivedCardFile> files = receivedCardFiles(folder, settings);
    EXPECT_EQ(names(files), (std::vector<QString>{u"JA1ABC"_s, u"JA1ABC"_s, u"JH3AAA"_s,
                                                  u"JR2XYZ"_s}));  // no date: older than all
    EXPECT_EQ(files[0].name, u"JA1ABC_261120_2342_7.024_CW_JS2IIU.jpg"_s);
    EXPECT_EQ(files[0].fileTime, u"26/12/03 10:00"_s);
    settings.oldestDate = u"00/00/00"_s;
    EXPECT_EQ(receivedCardFiles(folder, settings).size(), 6u);

    QsoRecord marked = qso(u"JR2XYZ"_s, u"26/11/21"_s, u"10:05"_s, u'H');
    marked.qslRcvd = u'H';
    QsoRecord withName = qso(u"JA1ABC"_s, u"26/11/20"_s, u"23:40"_s);
    withName.name = u"Taro"_s;
    makeLog(box.path(u"ZELKOV.mst"_s), {marked, withName});
    ZkwHandle log;
    ASSERT_EQ(ZelkovOpen(0, log, box.path(u"ZELKOV.mst"_s), 0), 0);
    settings.details = true;
    const ReceivedList list = matchReceivedCards(
        files, log, settings, [](const QString& a, const QString& b) { return a == b; });
    ZelkovClose(log, 0);
    ASSERT_EQ(list.rows.size(), 4u);
    EXPECT_EQ(list.rows[0].commaText(),
              u"\"○    \",JA1ABC_261120_2342_7.024_CW_JS2IIU.jpg,\"26/12/03 10:00\",2,,Taro,,,"_s);
    EXPECT_EQ(list.rows[1].mark, u"■×"_s);
    EXPECT_EQ(list.rows[1].record, u"不一致"_s);  // a QSO of the call, not this one
    EXPECT_TRUE(list.rows[1].details.isEmpty());
    EXPECT_EQ(list.rows[2].record, u"無し"_s);
    EXPECT_EQ(list.rows[3].mark, u"◎ HH "_s);
    EXPECT_EQ(list.rows[3].recno, 1);
    EXPECT_EQ(list.marked, 1);
    EXPECT_EQ(list.matched, 1);
    EXPECT_EQ(list.unmatched, 2);
    EXPECT_EQ(list.unissued, 1);
    EXPECT_EQ(list.firstOpen, 0);
    EXPECT_EQ(list.firstUnissued, 0);
    EXPECT_EQ(receivedListStatus(4, list, true),
              u" 4個の電子QSL（◎＝1個, ○＝1個, ■×＝2個, 未発行＝1件）"_s);
    EXPECT_EQ(receivedListStatus(2, list, false), u" 2個の電子QSL"_s);
    ReceivedList noneOpen;
    noneOpen.unmatched = 3;
    noneOpen.unissued = 1;
    EXPECT_EQ(receivedListStatus(3, noneOpen, true),
              u" 3個の電子QSL（◎＝0個, ■×＝3個, 未発行＝1件）"_s);
}

}  // namespace
