#include "archive/card_files.h"
#include "archive/card_match.h"
#include "archive/received_list_model.h"
#include "archive/sent_list.h"

#include "core/message_ports.h"
#include "log_fixture.h"
#include "logdata/zelkov50.h"
#include "test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

ReceivedRow row(const QString& mark, const QString& name, int recno,
                const QString& code = QString()) {
    ReceivedRow r;
    r.mark = mark;
    r.name = name;
    r.fileTime = u"26/12/01 10:00"_s;
    r.recno = recno;
    r.record = recno > 0 ? QString::number(recno) : u"無し"_s;
    if (recno > 0) r.details = {code, QString(), QString(), QString(), QString()};
    return r;
}

ReceivedList sampleList() {
    ReceivedList list;
    list.rows = {row(u"◎ HH "_s, u"JA1ABC_261120_2342_7.024_J3E_JS2IIU.jpg"_s, 3, u"100105"_s),
                 row(u"○    "_s, u"JA1ABD_261121_1000_7.024_J3E_JS2IIU.jpg"_s, 4),
                 row(u"■×"_s, u"JR2XYZ_261122_1000_144.10_CW_JS2IIU.jpg"_s, 0),
                 row(u"○ H  "_s, u"JH3AA_261123_1000_7.030_CW_JS2IIU.jpg"_s, 7),
                 row(u"■×"_s, u"JA1ABC_261124_1000_144.10_CW_JS2IIU.jpg"_s, 0)};
    list.marked = 1;
    list.matched = 2;
    list.unmatched = 2;
    list.unissued = 2;
    return list;
}

std::vector<QString> shownNames(const CardListModel& model) {
    std::vector<QString> out;
    for (int i = 0; i < model.shownCount(); ++i)
        out.push_back(model.item(i, 1).left(6));
    return out;
}

// The received list's commands on the rows shown: the searches, the
// filters, the next unmatched row, the selection and the bottom-up display.
TEST(ReceivedListModel, SearchesFiltersAndTheWalkOverTheRowsShown) {
    ReceivedListModel model;
    model.setList(sampleList(), true);
    EXPECT_EQ(model.columnCount(), 10);
    EXPECT_EQ(model.matchedRecords(), (std::vector<int>{3, 4, 7}));
    EXPECT_EQ(model.callOfMatchedRow(3), u"JH3AA"_s);
    EXPECT_EQ(model.callOfMatchedRow(2), QString());

    // A prefix and "*" keeps the calls beginning with it; without a
    // wildcard the text is looked for anywhere in the call.
    EXPECT_EQ(model.search(u"JA1*"_s, true), 3);
    EXPECT_EQ(shownNames(model), (std::vector<QString>{u"JA1ABC"_s, u"JA1ABD"_s, u"JA1ABC"_s}));
    EXPECT_FALSE(model.searchable());
    EXPECT_EQ(model.status(), u" 3個の電子QSL"_s);
    model.showAll();
    EXPECT_EQ(model.search(u"3AA"_s, true), 1);
    model.showAll();
    EXPECT_EQ(model.search(u"ZZ"_s, true), 0);  // none: the list unchanged
    EXPECT_EQ(model.shownCount(), 5);
    EXPECT_EQ(model.search(u"■×,JR2"_s, false), 1);  // the mark and the name
    model.showAll();

    // Unissued: matched rows without a sent mark; a blank Code: those and the ■× rows.
    EXPECT_EQ(model.keepUnissued(), 1);
    EXPECT_EQ(shownNames(model), std::vector<QString>{u"JA1ABD"_s});
    model.showAll();
    EXPECT_EQ(model.keepBlankCode(), 4);
    model.showAll();

    // The next unmatched row, then none, then from the top again.
    EXPECT_EQ(model.nextUnmatched(), 2);
    EXPECT_EQ(model.nextUnmatched(), 4);
    EXPECT_EQ(model.nextUnmatched(), std::nullopt);
    EXPECT_EQ(model.nextUnmatched(), 2);

    // Bottom-up: the last row on top, numbered 1; the selection colour.
    model.toggleSelected(4);
    model.setDescending(true);
    EXPECT_EQ(model.data(model.index(0, 2), Qt::DisplayRole).toString().left(6), u"JA1ABC"_s);
    EXPECT_EQ(model.data(model.index(0, 0), Qt::DisplayRole).toString(), u"1"_s);
    EXPECT_EQ(model.data(model.index(0, 1), Qt::BackgroundRole).value<QColor>(),
              kSelectedRowColour);
    EXPECT_EQ(model.selectedIndexes(), std::vector<int>{4});
    model.removeIndexes({4, 0});
    EXPECT_EQ(shownNames(model), (std::vector<QString>{u"JA1ABD"_s, u"JR2XYZ"_s, u"JH3AA_"_s}));
    EXPECT_TRUE(model.selectedIndexes().empty());
}

// The statistic: by band index then mode, with the total line.
TEST(ReceivedListModel, BandAndModeStatisticInBandOrder) {
    ReceivedListModel model;
    model.setList(sampleList(), false);
    EXPECT_EQ(model.statistics(), (QStringList{u"Band,Mode,Count"_s, u"7M,CW,1"_s, u"7M,J3E,2"_s,
                                               u"144M,CW,2"_s, u",合計,=sum(C2:C4)"_s}));
    EXPECT_EQ(statisticBandName(15), u"SAT"_s);
    EXPECT_EQ(statisticBandName(16), u"N/A"_s);
}

// The row of the card of the same QSO: same mode first, else another mode.
TEST(ReceivedListModel, LocatesTheCardOfTheSameQso) {
    ReceivedListModel model;
    model.setList(sampleList(), false);
    const qint64 tolerance = matchToleranceSeconds(10);
    EXPECT_EQ(model.locate(u"JA1ABC_261120_2345_7.024_J3E_JS2IIU."_s, tolerance), 0);
    EXPECT_EQ(model.locate(u"JA1ABD_261121_1000_7.030_CW_JS2IIU."_s, tolerance), 1);
    EXPECT_EQ(model.locate(u"JA1ABC_261120_2359_7.024_J3E_JS2IIU."_s, tolerance), std::nullopt);
    EXPECT_EQ(model.locate(u"JA1ABC_261120"_s, tolerance), std::nullopt);
}

// The sent list: matched against the partner's call at the end of the
// name, the minute as logged; an unmatched row says why.
TEST(SentList, MatchedByThePartnersCallWithTheReasonOfEachMiss) {
    Sandbox box;
    const QString folder = box.path(u"送信"_s);
    QDir().mkpath(folder);
    const auto card = [&](const QString& name, int bytes = 3000) {
        writeBytes(folder + u'/' + name, QByteArray(bytes, 'x'));
    };
    card(u"JS2IIU_261120_1200_7.024_CW_JA1AB.jpg"_s);    // a five-character call
    card(u"JS2IIU_261120_1300_7.024_CW_JA1A.jpg"_s);     // four characters
    card(u"JS2IIU_261121_1001_7.024_CW_JR2XYZ.jpg"_s);   // a minute late
    card(u"JS2IIU_261122_1000_14.050_CW_JH1AAA.jpg"_s);  // another band
    card(u"JS2IIU_261123_1000_7.024_SSB_JH2BBB.jpg"_s);  // another mode
    card(u"JS2IIU_261124_1000_7.024_CW_JH3ZZZ.jpg"_s);   // no QSO
    card(u"JS2IIU_261125_1000_7.024_CW_JH3ZZZ.jpg"_s, 2048);
    EXPECT_EQ(sentCardKey(u"X_JA1A.jpg"_s), u"JA1A  "_s);
    EXPECT_EQ(sentCardKey(u"X_JA1AB.jpg"_s), u"JA1AB "_s);

    QsoRecord received = qso(u"JA1AB"_s, u"26/11/20"_s, u"12:00"_s, u'H');
    received.qslRcvd = u'H';
    makeLog(box.path(u"ZELKOV.mst"_s), {received, qso(u"JA1A"_s, u"26/11/20"_s, u"13:00"_s),
                                        qso(u"JR2XYZ"_s, u"26/11/21"_s, u"10:00"_s),
                                        qso(u"JH1AAA"_s, u"26/11/22"_s, u"10:00"_s),
                                        qso(u"JH2BBB"_s, u"26/11/23"_s, u"10:00"_s)});
    ZkwHandle log;
    ASSERT_EQ(ZelkovOpen(0, log, box.path(u"ZELKOV.mst"_s), 0), 0);
    const std::vector<ReceivedCardFile> files = sentCardFiles(folder, 1);
    ASSERT_EQ(files.size(), 6u);
    SentList list = matchSentCards(files, log, matchToleranceSeconds(0));
    ZelkovClose(log, 0);
    ASSERT_EQ(list.rows.size(), 6u);
    EXPECT_EQ(list.rows[0], (QStringList{u" HH "_s, files[0].name, files[0].fileTime, u"1"_s}));
    EXPECT_EQ(list.rows[1].value(3), u"2"_s);
    EXPECT_EQ(list.rows[2].value(3), u"日付時刻"_s);
    EXPECT_EQ(list.rows[3].value(3), u"バンド"_s);
    EXPECT_EQ(list.rows[4].value(3), u"モード"_s);
    EXPECT_EQ(list.rows[5].value(3), u"無し"_s);
    EXPECT_EQ(list.unreceived, 1);
    EXPECT_EQ(list.unmatched, 4);

    SentListModel model;
    model.setList(list);
    EXPECT_EQ(model.status(), u" 6 個の送信済み電子QSL（未受領＝1個，■×＝4個）"_s);
    EXPECT_EQ(sentListStatus(3, 0, 2), u" 3 個の送信済み電子QSL■×＝2個）"_s);
    EXPECT_EQ(sentListStatus(3, 0, 0), u" 3 個の送信済み電子QSL"_s);
    // The received card of a row; the sent card of a received one.
    EXPECT_EQ(receivedNameOfSentCard(model.cardName(2)), u"JR2XYZ_261121_1001_7.024_CW_JS2IIU."_s);
    EXPECT_EQ(partnerCallOfSentCard(model.cardName(0)), u"JA1AB"_s);
    EXPECT_EQ(model.locate(u"JH1AAA_261122_1000_14.050_CW_JS2IIU.JPG"_s, matchToleranceSeconds(0)),
              3);
    EXPECT_EQ(model.locate(u"JA1AB_261120_1200_7.024_CW_JS2IIU.JPG"_s, matchToleranceSeconds(0)),
              0);
    // A four-character call: its key is the call, not the call and a period.
    EXPECT_EQ(model.locate(u"JA1A_261120_1300_7.024_CW_JS2IIU.JPG"_s, matchToleranceSeconds(0)), 1);
    EXPECT_EQ(model.search(u"J?2*"_s), 2);
    model.showAll();
    EXPECT_EQ(model.keepUnreceived(), 5);
}

// Copying and moving into the picture folder (a call's sub-folder when
// there is one), renaming for a forced match, deleting with the text.
TEST(CardFiles, CopyMoveRenameAndDeleteTakeTheTextAlong) {
    Sandbox box;
    const QString received = box.path(u"受信"_s), texts = box.path(u"QslMsg"_s),
                  hits = box.path(u"hits"_s);
    for (const QString& dir : {received, texts, hits + u"/JA"_s})
        QDir().mkpath(dir);
    const QString a = u"JA1ABC_261120_2342_7.024_CW_JS2IIU.jpg"_s;
    const QString b = u"JR2XYZ_261121_1000_7.024_CW_JS2IIU.jpg"_s;
    for (const QString& name : {a, b}) {
        writeBytes(received + u'/' + name, "card");
        writeBytes(texts + u'/' + QFileInfo(name).completeBaseName() + u".txt"_s, "text");
    }
    writeBytes(hits + u"/"_s + b, "older");

    EXPECT_EQ(copyCardsToPictureFolder({a}, received, texts, hits, false), QStringList{a});
    EXPECT_TRUE(QFileInfo::exists(hits + u"/JA/"_s + a));
    EXPECT_TRUE(QFileInfo::exists(received + u'/' + a));
    EXPECT_EQ(copyCardsToPictureFolder({b, u"NONE_1_2_3_4_5.jpg"_s}, received, texts, hits, true),
              QStringList{b});
    EXPECT_EQ(readBytes(hits + u"/"_s + b), QByteArray("card"));  // replaced
    EXPECT_FALSE(QFileInfo::exists(received + u'/' + b));
    EXPECT_FALSE(QFileInfo::exists(texts + u"/JR2XYZ_261121_1000_7.024_CW_JS2IIU.txt"_s));

    EXPECT_FALSE(acceptableCardRename(a, a.toLower()));
    EXPECT_FALSE(acceptableCardRename(a, u"JA1ABC_261120_2342_7.024_CW.jpg"_s));
    EXPECT_FALSE(acceptableCardRename(a, u"JA1ABC_261120_2342_7.024_CW_JS2IIU.png"_s));
    const QString renamed = u"JA1ABC_261120_2340_7.024_CW_JS2IIU.jpg"_s;
    ASSERT_TRUE(acceptableCardRename(a, renamed));
    ASSERT_TRUE(renameCard(received, texts, a, renamed));
    EXPECT_TRUE(QFileInfo::exists(texts + u"/JA1ABC_261120_2340_7.024_CW_JS2IIU.txt"_s));
    EXPECT_FALSE(renameCard(received, texts, a, renamed));  // gone already

    EXPECT_TRUE(deleteCard(received, texts, renamed));
    EXPECT_TRUE(QDir(received).isEmpty());
    EXPECT_TRUE(QDir(texts).isEmpty());
}

}  // namespace
