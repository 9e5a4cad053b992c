#include "settings/qsl_rig.h"

#include "core/comma_text.h"
#include "core/zkw_ini.h"
#include "logdata/qso_record.h"
#include "test_support.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

RigAntTable sampleTable() {
    RigAntTable t;
    t.setMax(10);
    t.rows[0] = {u"7"_s, u"IC-7300"_s, u"100"_s, u"Dipole"_s, u"10"_s, u""_s, u""_s, u"HF"_s};
    t.rows[1] = {u"144"_s, u"IC-9700"_s, u"50"_s, u"GP"_s, u"12"_s, u""_s, u""_s, u"V"_s};
    t.rows[2] = {u"7.1"_s, u"FT-891"_s, u"10"_s, u"Whip"_s, u""_s, u"移動用"_s, u"車"_s, u"QRP"_s};
    t.rows[4] = {u"430"_s, u"ID-52"_s, u"5"_s, u"RH770"_s, u""_s, u""_s, u""_s, u"HT"_s};
    return t;
}

QString item(const QString& line, int i) {
    return commaTextSplit(line).value(i);
}

TEST(RigAnt, FileRoundTripAndLineList) {
    Sandbox box;
    const QString path = box.path(u"RigAnt.dat"_s);
    {
        TZkwIni file(path);
        sampleTable().write(file);
    }
    TZkwIni file(path);
    EXPECT_EQ(file.readInteger(u"Count", u"Max", 0), 10);
    EXPECT_FALSE(file.hasSection(u"No4"));  // blank lines have no section
    const RigAntTable t = RigAntTable::read(file);
    EXPECT_EQ(t.max, 10);
    const QStringList lines = t.lineList();
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[0], u"No1,7,IC-7300,100,Dipole,10,,,HF"_s);
    EXPECT_EQ(commaTextSplit(lines[3]).size(), 9);
    EXPECT_EQ(item(lines[2], 6), u"移動用"_s);
    EXPECT_TRUE(isCtyDat(u"/x/cty.dat"_s));
    EXPECT_FALSE(isCtyDat(u"/x/RigAnt.dat"_s));
}

TEST(RigAnt, OneDefaultFileWhicheverSpellingIsThere) {
    Sandbox box;
    EXPECT_EQ(defaultRigAntPath(box.dir()), box.path(u"RigAnt.dat"_s));
    // A file written under the older spelling, or in any case, is the one.
    writeBytes(box.path(u"Rigant.dat"_s), "[Count]\r\nMax=1\r\n");
    EXPECT_EQ(defaultRigAntPath(box.dir()), box.path(u"Rigant.dat"_s));
    QFile::rename(box.path(u"Rigant.dat"_s), box.path(u"RIGANT.DAT"_s));
    EXPECT_EQ(defaultRigAntPath(box.dir()), box.path(u"RIGANT.DAT"_s));
}

TEST(RigAnt, EditingMovesInsertsAndDeletesRows) {
    RigAntTable t = sampleTable();
    EXPECT_FALSE(t.moveUp(1));
    EXPECT_TRUE(t.moveUp(2));
    EXPECT_EQ(t.rows[0][1], u"IC-9700"_s);
    EXPECT_FALSE(t.moveDown(10));
    t.rows[9] = {u"50"_s, u"last"_s, u""_s, u""_s, u""_s, u""_s, u""_s, u""_s};
    t.insertRow(5);  // the last row's values are lost
    EXPECT_TRUE(t.rows[4].join(QString()).isEmpty());
    EXPECT_EQ(t.rows[5][1], u"ID-52"_s);
    EXPECT_EQ(t.rows.size(), 10u);
    EXPECT_NE(t.rows[9][1], u"last"_s);
    t.deleteRow(1);
    EXPECT_EQ(t.rows[0][1], u"IC-7300"_s);
    EXPECT_TRUE(t.rows[9].join(QString()).isEmpty());
    t.setMax(5);
    EXPECT_EQ(t.max, 10);
    t.setMax(2000);
    EXPECT_EQ(t.max, 999);
}

TEST(RigAnt, SelectRigLineByNumberKeywordAndBand) {
    const QStringList lines = sampleTable().lineList();
    RigChoiceContext c;
    c.lines = &lines;
    int sel = 0;
    c.remarks1 = u"tnx Rig#3"_s;
    EXPECT_EQ(item(SelectRigLine(u"144"_s, sel, c), 2), u"FT-891"_s);  // whatever the band
    EXPECT_EQ(sel, 3);
    EXPECT_EQ(item(SelectRigLine(u"430"_s, sel, c), 2), u"FT-891"_s);  // the selection sticks

    sel = 0;
    c.remarks1 = u"Rig#2"_s;
    c.remarks2 = u"Rig#5"_s;  // Remarks2 first
    EXPECT_EQ(item(SelectRigLine(u"7"_s, sel, c), 2), u"ID-52"_s);

    sel = 0;
    c.remarks1 = u"Rig=HF,X"_s;  // no blank: the keyword ends at the comma
    c.remarks2.clear();
    EXPECT_EQ(item(SelectRigLine(u"144"_s, sel, c), 2), u"IC-7300"_s);
    sel = 0;
    c.remarks1 = u"Rig=QRP mobile"_s;
    EXPECT_EQ(item(SelectRigLine(u"7"_s, sel, c), 2), u"FT-891"_s);

    sel = 0;
    c.remarks1.clear();
    EXPECT_EQ(item(SelectRigLine(u"7.041"_s, sel, c), 2), u"IC-7300"_s);  // first line of the band
    EXPECT_EQ(sel, 1);
    sel = 0;
    EXPECT_EQ(item(SelectRigLine(u"433"_s, sel, c), 2), u"ID-52"_s);
    sel = 0;
    EXPECT_EQ(SelectRigLine(u"50"_s, sel, c), u",,,,,,,,"_s);
    EXPECT_EQ(sel, 0);

    // A definition's #Rig#2 selects line 2 for the rest of the run; Rig= too.
    sel = 0;
    EXPECT_EQ(item(SelectRigLine(u"Rig#2"_s, sel, c), 2), u"IC-9700"_s);
    EXPECT_EQ(sel, 2);
    sel = 0;
    EXPECT_EQ(item(SelectRigLine(u"Rig=HT"_s, sel, c), 2), u"ID-52"_s);
    sel = 0;
    EXPECT_EQ(SelectRigLine(u"Rig#0"_s, sel, c), u",,,,,,,,"_s);
    EXPECT_EQ(sel, 0);
}

TEST(RigAnt, BeginnerModeWithoutDataReadsTheMemo) {
    const QStringList none;
    RigChoiceContext c;
    c.lines = &none;
    c.memo = u"73!\r\nrig:IC-705\nANT:Whip 2m"_s;
    int sel = 0;
    const QString line = SelectRigLine(u"7"_s, sel, c);
    EXPECT_EQ(item(line, 2), u"IC-705"_s);
    EXPECT_EQ(item(line, 4), u"Whip 2m"_s);
    EXPECT_EQ(sel, 0);
    c.expertMode = true;
    EXPECT_EQ(SelectRigLine(u"7"_s, sel, c), u",,,,,,,,"_s);
}

TEST(RigAnt, ChooserSummaryPadsByTheLogsByteWidths) {
    QsoRecord q;
    q.recno = 42;
    q.call = u"JA1ABC/1"_s;
    q.date = u"24/03/01"_s;
    q.time = u"12:34"_s;
    q.zone = u'J';
    q.freq = u"7.024"_s;
    q.mode = u"CW"_s;
    q.name = u"山田"_s;  // four bytes
    q.code = u"1001"_s;
    q.qth = u"千代田区"_s;
    q.remarks1 = u"%Tokyo%"_s;
    q.remarks2 = u"Rig#2"_s;
    const QString s = rigChooserSummary(q);
    const QStringList lines = s.split(u'\r');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0],
              u"No42       JA1ABC/1           24/03/01    12:34J  7.024     CW        "_s);
    EXPECT_EQ(lines[1],
              u"山田"_s + QString(12, u' ') + u"1001      千代田区"_s + QString(20, u' '));
    EXPECT_EQ(lines[2], u"%Tokyo%"_s);
    EXPECT_EQ(lines[3], u"Rig#2"_s);
}

}  // namespace
