#include "archive/area_tally.h"

#include "core/message_ports.h"
#include "core/progress_port.h"
#include "core/zkw_ini.h"
#include "exchange/logging_program.h"
#include "log_fixture.h"
#include "logdata/dbf_table.h"
#include "mail/card_record.h"
#include "render/jpeg_io.h"
#include "test_support.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// A log with areas, and the cards of its QSOs addressed to JS2IIU.
struct TallyLog {
    Sandbox box;
    QString mst = box.path(u"ZELKOV.mst"_s);
    QString received = box.path(u"受信"_s);
    std::vector<QsoRecord> qsos;
    AbsentLoggingProgram program;
    RecordingProgressPort progress;
    ScriptedMessagePort port;
    ScopedMessagePort installed{&port};

    void add(const QString& call, const QString& date, const QString& code,
             const QString& mode = u"CW"_s, const QString& freq = u"7.024"_s, bool card = true,
             const QString& to = u"JS2IIU"_s) {
        QsoRecord q = qso(call, date, u"12:00"_s);
        q.code = code;
        q.mode = mode;
        q.freq = freq;
        qsos.push_back(q);
        if (card)
            writeBytes(received + u'/' + call + u'_' + QString(date).remove(u'/') + u"_1200_"_s +
                           freq + u'_' + mode + u'_' + to + u".jpg"_s,
                       QByteArray(3000, 'x'));
    }
    Tally run(int view, const TallyFilter& filter = {}) {
        TallyJob job{mst,
                     received,
                     u"JS2IIU"_s,
                     10,
                     [](const QString& a, const QString& b) { return a == b; },
                     filter,
                     view};
        return BuildConfirmation(job, program, progress);
    }
    QStringList codes(const Tally& t) const {
        QStringList out;
        for (const QStringList& row : t.rows)
            out << row.value(0).trimmed() + u'=' + QString::number(row.size() - 2);
        return out;
    }
};

TEST(AreaTally, CardsConfirmTheirQsosAreasThroughTheFilters) {
    TallyLog t;
    QDir().mkpath(t.received);
    t.add(u"JA1AAA"_s, u"26/11/20"_s, u"100105"_s);          // 1 Bunkyo ward
    t.add(u"JA1AAB"_s, u"26/11/21"_s, u"100105"_s);          // 2 Bunkyo again
    t.add(u"JA8AAA"_s, u"26/11/22"_s, u"0104"_s, u"SSB"_s);  // 3 Asahikawa, SSB
    t.add(u"JA8AAB"_s, u"19/12/31"_s, u"0102"_s);            // 4 before the date limit
    t.add(u"JA1AAC"_s, u"26/11/23"_s, u"0101"_s);            // 5 a skipped code
    t.add(u"JA2AAA"_s, u"26/11/24"_s, u"2001"_s, u"CW"_s, u"7.024"_s, true,
          u"JA1XYZ"_s);                                                    // 6 not ours
    t.add(u"JA9AAA"_s, u"26/11/25"_s, u"01001A"_s, u"CW"_s, u"144.10"_s);  // 7 a town on 144
    makeLog(t.mst, t.qsos);
    writeBytes(
        t.box.path(u"areas.csv"_s),
        "0101,Sapporo,\r\n0102,Hakodate,\r\n0103,Otaru*,\r\n0104,Asahikawa,\r\n1001,Tokyo,\r\n"
        "100105,Bunkyo,\r\n100201,Hachioji ward,\r\n01001,Akan gun,\r\n"
        "01001A,Akan town,\r\n2001,Nagoya,\r\n");
    ASSERT_GT(importAreas(t.mst, t.box.path(u"areas.csv"_s)).added, 0);

    // Every area, in code order: the ward with both cards (record 2 first),
    // the cities, the town; skipped codes (Sapporo's 0101, Tokyo's 1001,
    // Nagoya's 2001) and the other station's card nowhere.
    Tally all = t.run(0);
    ASSERT_EQ(all.end, Tally::End::Built);
    EXPECT_EQ(all.files, 6);    // the card to JA1XYZ is not ours
    EXPECT_EQ(all.counted, 6);  // the one to Sapporo too, shown nowhere
    EXPECT_EQ(all.confirmed, 4);
    EXPECT_EQ(t.codes(all), (QStringList{u"01001=0"_s, u"01001A=1"_s, u"0102=1"_s, u"0103=0"_s,
                                         u"0104=1"_s, u"100105=2"_s, u"100201=0"_s}));
    const QStringList ward = all.rows[5];
    EXPECT_TRUE(ward[2].startsWith(u"JA1AAB_261121_1200_7.024_CW_JS2IIU.JPG<2:JA1AAB>"_s));
    EXPECT_TRUE(ward[3].endsWith(u"<1:JA1AAA>"_s));
    EXPECT_EQ(tallyTitle(0, all), u"ZELKOV E-Mail QSL コンファーム状況（4地域：6ファイル）"_s);

    // The filters: modes, date, lowest record, bands, vanished areas.
    TallyFilter f;
    f.modes = {u"SSB"_s};
    f.oldestDate = u"20/01/01"_s;
    const Tally ssb = t.run(1, f);
    EXPECT_EQ(t.codes(ssb), QStringList{u"0104=1"_s});
    // The cards the modes left out are said, never silently dropped.
    EXPECT_EQ(ssb.leftOutByMode, 4);
    EXPECT_EQ(tallyLeftOutText(ssb, u"SSB"_s),
              u"絞り込みの条件で 4枚の電子QSLを数えていません：モード（SSB）以外 4枚"_s);
    EXPECT_TRUE(tallyLeftOutText(all, u"SSB"_s).isEmpty());
    f = {};
    f.oldestDate = u"20/01/01"_s;  // 2019-12-31 ends the walk
    EXPECT_EQ(t.codes(t.run(1, f)), (QStringList{u"01001A=1"_s, u"0104=1"_s, u"100105=2"_s}));
    f = {};
    f.lowestRecord = 3;
    EXPECT_EQ(t.codes(t.run(1, f)), (QStringList{u"01001A=1"_s, u"0102=1"_s, u"0104=1"_s}));
    f = {};
    f.bandMask = 1u << 10;  // 144 MHz
    EXPECT_EQ(t.codes(t.run(1, f)), QStringList{u"01001A=1"_s});
    f = {};
    f.withoutVanished = true;
    EXPECT_FALSE(t.codes(t.run(0, f)).contains(u"0103=0"_s));

    // Not confirmed, without the special wards and cities and towns.
    f = {};
    f.areaKind = area_kind::NotTokyoWard;
    const Tally open = t.run(2, f);
    EXPECT_EQ(t.codes(open), (QStringList{u"01001=0"_s, u"100201=0"_s}));
    EXPECT_EQ(tallyTitle(2, open), u"ZELKOV E-Mail QSL コンファーム状況（2地域）"_s);

    // The outputs: the clipboard's layouts and the spreadsheet's lines.
    const std::vector<QStringList> rows{all.rows[5]};
    EXPECT_EQ(tallyClipboardLines(rows, 0).value(0),
              u"100105\tBunkyo\tJA1AAB_261121_1200_7.024_CW_JS2IIU.JPG\t"
              u"JA1AAA_261120_1200_7.024_CW_JS2IIU.JPG"_s);
    EXPECT_EQ(tallyClipboardLines(rows, 2).value(0),
              u"100105\tBunkyo\tJA1AAB\t26/11/21\t12:00\t7.024\tCW"_s);
    EXPECT_TRUE(tallyClipboardLines(rows, 3).value(0).endsWith(
        u"\tCW\tJA1AAB_261121_1200_7.024_CW_JS2IIU.JPG"_s));
    EXPECT_EQ(tallySheetLines(rows, 5, true),
              (QStringList{u"No,Code,ＱＴＨ,Call1,Call2"_s, u"1,100105,Bunkyo,JA1AAB,JA1AAA"_s}));

    // No area left: one row that says so; no card at all: told.
    f = {};
    f.modes = {u"RTTY"_s};
    EXPECT_EQ(t.run(1, f).rows.at(0).value(0), u"QSL無し"_s);
    QDir(t.received).removeRecursively();
    EXPECT_EQ(t.run(0).end, Tally::End::NoCards);
    EXPECT_TRUE(t.port.messages().back().text.endsWith(u" フォルダに該当電子QSLはありません！"_s));
}

// A card its receiver renamed counts for its area by the QSO inside it.
TEST(AreaTally, ARenamedCardCountsByTheQsoInside) {
    TallyLog t;
    QDir().mkpath(t.received);
    t.add(u"JA1AAA"_s, u"26/11/20"_s, u"100105"_s, u"CW"_s, u"7.024"_s, false);
    makeLog(t.mst, t.qsos);
    writeBytes(t.box.path(u"areas.csv"_s), "100105,Bunkyo,\r\n");
    ASSERT_GT(importAreas(t.mst, t.box.path(u"areas.csv"_s)).added, 0);
    QImage picture(640, 408, QImage::Format_RGB32);
    picture.fill(Qt::white);
    const QsoRecord theirs = qso(u"JS2IIU"_s, u"26/11/20"_s, u"12:00"_s);
    writeBytes(t.received + u"/JA1AAA_991231_0000_1.9_SSB_JS2IIU.jpg"_s,
               encodeJpeg(picture, 90, cardRecordComment(cardRecordOf(theirs, u"JA1AAA"_s))));
    const Tally tally = t.run(0);
    EXPECT_EQ(t.codes(tally), QStringList{u"100105=1"_s});
    EXPECT_EQ(tally.confirmed, 1);
}

TEST(AreaTally, SettingsAndBandNames) {
    Sandbox box;
    TZkwIni ini(box.path(u"Sendvik.ini"_s));
    TallySettings s;
    s.load(ini);
    EXPECT_EQ(s.modeText, u"SSB,FM,FT8"_s);
    EXPECT_EQ(s.widths[2], 70);
    s.filter.bandMask = 0b101;
    s.filter.searchHitFolder = true;
    s.filter.areaKind = area_kind::Ward;
    s.modeText = u"FT8,CW"_s;
    s.recordText = u"0"_s;
    s.save(ini);
    TallySettings again;
    again.load(ini);
    EXPECT_EQ(again.filter.bandMask, 0b101u);
    EXPECT_TRUE(again.filter.searchHitFolder);
    EXPECT_EQ(again.filter.areaKind, area_kind::Ward);
    const TallyFilter f = again.filterOfTexts();
    EXPECT_EQ(f.modes, (QStringList{u"CW"_s, u"FT8"_s}));  // sorted
    EXPECT_EQ(f.lowestRecord, 1);
    EXPECT_EQ(tallyBandIndex(u"7"_s), 2);
    EXPECT_EQ(tallyBandIndex(u"1200MHz"_s), 12);
    EXPECT_EQ(tallyBandIndex(u"10GHz"_s), 16);
    EXPECT_EQ(tallyBandIndex(u"SAT"_s), 15);
    EXPECT_EQ(tallyBandIndex(u"6"_s), -1);
}

}  // namespace
