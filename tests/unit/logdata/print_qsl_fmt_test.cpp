#include "logdata/print_qsl_fmt.h"
#include "log_fixture.h"
#include "logdata/zelkov50.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

QsoRecord sample() {
    QsoRecord q = qso(u"JA1ABC/3"_s, u"24/03/05"_s, u"07:09"_s);
    q.recno = 4711;
    q.hisRst = u"579"_s;
    q.freq = u"7.0415"_s;
    q.mode = u"CW"_s;
    q.code = u"100105"_s;
    q.code2 = u"PM95"_s;
    q.qth = u"文京区"_s;
    q.name = u"山田"_s;
    q.grid = u"PM95tq"_s;
    q.remarks1 = u"Rig#2"_s;
    q.remarks2 = u"tnx"_s;
    return q;
}

TEST(LogCodes, EveryCodeOfTheEditorsList) {
    const QsoRecord q = sample();
    const QDate today(2026, 12, 8);
    auto x = [&](const QString& t) { return expandLogCodes(q, t, today); };
    EXPECT_EQ(x(u"!cp|!CP|!PT"_s), u"JA1ABC/3|ＪＡ１ＡＢＣ／３|/3"_s);
    EXPECT_EQ(x(u"!C1!C2!C3!C4!C5!C6!C7."_s), u"JA1ABC ."_s);
    EXPECT_EQ(x(u"!DY !Dy !DM !Dm !DJ !DD !Dd !DT"_s), u"2024 24 03 3 Mar 05 5 24/03/05"_s);
    EXPECT_EQ(x(u"!Th !TH !Tm !TM"_s), u"7 07 9 09"_s);
    EXPECT_EQ(x(u"!HR !hR !hS !hT"_s), u"579 5 7 9"_s);
    EXPECT_EQ(x(u"!FR|!F3|!F4|!F5|!F6|!F7"_s), u"7|7.042|7.0415MHz|7042kHz|40m|40m"_s);
    EXPECT_EQ(x(u"!MD !JC !Jc !QT !NA !GL !NO !R1 !R2 !Nw"_s),
              u"CW 100105 PM95 文京区 山田 PM95tq 4711 Rig#2 tnx 2026/12/08"_s);
}

TEST(LogCodes, OtherExclamationMarksAndEdgesStayAsTheyAre) {
    QsoRecord q = sample();
    const QDate today(2026, 12, 8);
    EXPECT_EQ(expandLogCodes(q, u"Hi! !zz !$$A !RG end!"_s, today), u"Hi! !zz !$$A !RG end!"_s);
    EXPECT_EQ(expandLogCodes(q, u"!c"_s, today), u"!c"_s);
    EXPECT_EQ(expandLogCodes(q, u"!!cp"_s, today), u"!JA1ABC/3"_s);
    q.call = u"KH2/JA1ABC"_s;
    q.freq = u"144/430"_s;
    EXPECT_EQ(expandLogCodes(q, u"!PT !F7 !F3"_s, today), u"KH2/ 2m/70cm 144.000"_s);
    q.call = u"JA1ABC"_s;
    q.freq = u"abc"_s;
    EXPECT_EQ(expandLogCodes(q, u"[!PT] !F3 !F6"_s, today), u"[] abc "_s);
}

TEST(LogCodes, PrintQslFmtUsesTheCurrentRecord) {
    ZkwHandle h;
    h.rec = sample();
    QString out;
    EXPECT_EQ(PrintQslFmt(h, out, u"To: !cp on !MD"_s), 0);
    EXPECT_EQ(out, u"To: JA1ABC/3 on CW"_s);
}

}  // namespace
