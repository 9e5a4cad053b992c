#include "logdata/zkw_parse.h"

#include <QString>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

TEST(FreqPCheck, TheFormsHamsTypeFindTheirBand) {
    struct Case {
        const char16_t* text;
        int band;
    } cases[] = {
        {u"1.9", 0},    {u"1.810", 0},    {u"3.5", 1},      {u"3.8", 1},     {u"7", 2},
        {u"7.041", 2},  {u"7,041", 2},    {u"7041kHz", 2},  {u"7041 k", 2},  {u"7.041MHz", 2},
        {u"10", 3},     {u"10.125", 3},   {u"14.074", 4},   {u"18", 5},      {u"18.1", 5},
        {u"21.3", 6},   {u"24", 7},       {u"24.94", 7},    {u"28.5", 8},    {u"50.2", 9},
        {u"144.1", 10}, {u"430", 11},     {u"433.0", 11},   {u"1200", 12},   {u"1295", 12},
        {u"2400", 13},  {u"5600", 14},    {u"5760", 14},    {u"10G", 17},    {u"10.4GHz", 17},
        {u"24048", 17}, {u"144/430", 15}, {u"SAT/435", 15}, {u"", 16},       {u"abc", 16},
        {u"12", 16},    {u"0.475", 16},   {u"7.041Hz", 16}, {u" 7.041 ", 2}, {u".", 16},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FreqPCheck(c.text), c.band) << QString::fromUtf16(c.text).toStdString();
    }
}

TEST(Bands, BandTextsNameSingleAndCrossBandFrequencies) {
    using P = std::pair<QString, QString>;
    EXPECT_EQ(BandTexts(u"1.9"), (P{u"160m"_s, {}}));
    EXPECT_EQ(BandTexts(u"7.041"), (P{u"40m"_s, {}}));
    EXPECT_EQ(BandTexts(u"5600"), (P{u"6cm"_s, {}}));
    EXPECT_EQ(BandTexts(u"430"), (P{u"70cm"_s, {}}));
    EXPECT_EQ(BandTexts(u"144/430"), (P{u"2m"_s, u"70cm"_s}));
    EXPECT_EQ(BandTexts(u"/"), (P{}));
    EXPECT_EQ(BandTexts(u"10G"), (P{}));
    EXPECT_EQ(BandTexts(u"abc"), (P{}));
}

}  // namespace
