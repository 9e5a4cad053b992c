#include "render/definition_editing.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace {

const InsertEntry* entryOf(const std::vector<InsertGroup>& menu, const QString& name) {
    for (const InsertGroup& g : menu)
        for (const InsertEntry& e : g.entries)
            if (e.name == name) return &e;
    return nullptr;
}

// Every insert entry's line: placeholders, conditions (at most ten
// characters of the caption), the command templates.
TEST(DefinitionEditing, TheLinesTheInsertMenusWrite) {
    EXPECT_EQ(entryOf(placeholderMenu(), u"P1"_s)->line, u"#Print x, y, \"!cp\""_s);
    EXPECT_EQ(entryOf(placeholderMenu(), u"R8"_s)->line, u"#Print x, y, \"任意の文字列\""_s);
    EXPECT_EQ(entryOf(placeholderMenu(), u"O5"_s)->line, u"#Print x, y, \"!Nw\""_s);
    EXPECT_EQ(entryOf(commandMenu(), u"J1"_s)->line, u"? Rcv"_s);
    EXPECT_EQ(entryOf(commandMenu(), u"J11"_s)->line, u"? Qsl1 \"n\""_s);  // ten characters
    EXPECT_EQ(entryOf(commandMenu(), u"J14"_s)->line, u"? Check1"_s);
    EXPECT_EQ(entryOf(commandMenu(), u"LineC1"_s)->line, u"#LineC x1, y1, x2, y2, x3, y3"_s);
    EXPECT_EQ(entryOf(commandMenu(), u"Mark1"_s)->line, u"#Mark = \"*\""_s);
    EXPECT_EQ(entryOf(commandMenu(), u"Text1"_s)->line, u"#Text x, y\n複数行の文字列\n#End"_s);
    int placeholders = 0;
    for (const InsertGroup& g : placeholderMenu())
        placeholders += static_cast<int>(g.entries.size());
    EXPECT_EQ(placeholders, 48);

    EXPECT_EQ(fontLines(u"ＭＳ 明朝"_s, 24, QColor(0x12, 0x34, 0x56), 3),
              (QStringList{u"#FontName=\"ＭＳ 明朝\""_s, u"#FontSize=24"_s,
                           u"#FontColor=0x00563412"_s, u"#FontStyle=3"_s}));
    EXPECT_EQ(lineStyleLine(3, 0, QColor(255, 0, 0)), u"#LineS 3, 0, 255"_s);
    EXPECT_EQ(lineStyleLine(3, 2, QColor(0, 0, 255)), u"#LineS 0, 2, 16711680"_s);
    EXPECT_EQ(lineIndicator(3, 10), u"[3/11]：イメージ"_s);
}

TEST(DefinitionEditing, RecordsReductionAndNames) {
    EXPECT_EQ(nextRecord(416, 416), 1);
    EXPECT_EQ(previousRecord(1, 416), 416);
    EXPECT_EQ(nextRecord(5, 416), 6);
    EXPECT_EQ(typedRecord(0, 416), 1);
    EXPECT_EQ(typedRecord(999, 416), 416);
    EXPECT_EQ(previewFileName(u"JA1ABC/1 X"_s), u"JA1ABC-1"_s);

    // 800 wide is too small for 800x510; 801 is not; upright pictures turn.
    EXPECT_TRUE(reductionPlan({800, 600}, 0).tooSmall);
    const ReductionPlan wide = reductionPlan({801, 600}, 0);
    EXPECT_FALSE(wide.tooSmall);
    EXPECT_EQ(wide.cut, QSize(801, 509));  // 801 x 336000 / 528000
    EXPECT_EQ(wide.target, QSize(800, 510));
    const ReductionPlan upright = reductionPlan({1000, 2000}, 1);
    EXPECT_EQ(upright.cut, QSize(1000, 1571));
    EXPECT_EQ(upright.target, QSize(408, 640));
    // A wide, low photo is cut in width to the card's proportion, not
    // stretched; one whose cut is narrower than the card is too small.
    const ReductionPlan low = reductionPlan({2000, 600}, 1);
    EXPECT_EQ(low.cut, QSize(942, 600));  // 600 x 528000 / 336000
    EXPECT_FALSE(low.tooSmall);
    EXPECT_TRUE(reductionPlan({1000, 300}, 1).tooSmall);
    EXPECT_EQ(reductionPlan({1000, 300}, 1).cut, QSize(471, 300));
    EXPECT_EQ(reductionPlan({1000, 1100}, 2).cut, QSize(700, 1100));
}

TEST(DefinitionEditing, TheKindsOfTextColoured) {
    auto kinds = [](const QString& line) {
        QStringList out;
        for (const TokenSpan& s : definitionTokens(line))
            out << line.mid(s.start, s.length) + u'=' + QString::number(int(s.kind));
        return out;
    };
    EXPECT_EQ(kinds(u"#Print 10, 20, \"!cp de !Ca\""_s),
              (QStringList{u"#Print=0"_s, u"!cp=2"_s, u"!Ca=2"_s}));
    EXPECT_EQ(kinds(u"#Print 1, 2, \"x\" after"_s),
              (QStringList{u"#Print=0"_s, u" after=4"_s}));  // after the last quote
    EXPECT_EQ(kinds(u"? Rcv"_s), QStringList{u"? Rcv=1"_s});
    EXPECT_EQ(kinds(u"*12 next"_s), QStringList{u"*12=3"_s});
    EXPECT_EQ(kinds(u"  a note"_s), QStringList{u"a note=4"_s});
    EXPECT_TRUE(kinds(u""_s).isEmpty());
    // A #Text block's body is text, up to its #End.
    EXPECT_TRUE(textBlockAfter(u"#Text 10, 20"_s, false));
    EXPECT_TRUE(definitionTokens(u"複数行の文字列"_s, true).empty());
    EXPECT_TRUE(textBlockAfter(u"body"_s, true));
    EXPECT_FALSE(textBlockAfter(u"#End"_s, true));
}

}  // namespace
