#include "core/msg_box.h"

#include "core/message_ports.h"
#include "core/msg_dialog_layout.h"
#include "test_support.h"

#include <sstream>

#include <gtest/gtest.h>

using testing_support::Sandbox;

namespace {

using Ids = std::vector<int>;

TEST(MsgBoxPlan, FlagsMapToDialogTypeButtonsAndRoles) {
    struct Case {
        unsigned flags;
        MsgDialogType type;
        Ids buttons;
        int enter, esc, focus;
    } cases[] = {
        {16, MsgDialogType::Error, {1}, 1, 1, 1},
        {48, MsgDialogType::Warning, {1}, 1, 1, 1},
        {64, MsgDialogType::Information, {1}, 1, 1, 1},
        {35, MsgDialogType::Confirmation, {6, 7, 2}, 6, 2, 6},
        {36, MsgDialogType::Confirmation, {6, 7}, 6, 7, 6},
        {291, MsgDialogType::Confirmation, {6, 7, 2}, 6, 2, 7},
        {292, MsgDialogType::Confirmation, {6, 7}, 6, 7, 7},
        {305, MsgDialogType::Warning, {1, 2}, 1, 2, 2},
        {2, MsgDialogType::Custom, {3, 4, 5}, 4, 1, 4},
        {5, MsgDialogType::Custom, {2, 4}, 4, 2, 4},  // the own dialog shows Cancel first
        {6, MsgDialogType::Custom, {1}, 1, 1, 1},
        {0x50, MsgDialogType::Custom, {1}, 1, 1, 1},
        // Second-button default with only three parts (text and two buttons):
        // the focus stays on the default button.
        {0x104, MsgDialogType::Custom, {6, 7}, 6, 7, 6},
        {0x103, MsgDialogType::Custom, {6, 7, 2}, 6, 2, 7},
        {0x111, MsgDialogType::Error, {1, 2}, 1, 2, 2},
    };
    for (const Case& c : cases) {
        const MsgDialogPlan p = planMsgDialog(c.flags);
        SCOPED_TRACE(c.flags);
        EXPECT_EQ(p.type, c.type);
        EXPECT_EQ(p.buttons, c.buttons);
        EXPECT_EQ(p.defaultButton, c.enter);
        EXPECT_EQ(p.cancelButton, c.esc);
        EXPECT_EQ(p.focusButton, c.focus);
    }
}

TEST(MsgBoxPlan, TheSystemBoxKeepsWindowsOrderAndDefaultButton) {
    EXPECT_EQ(systemBoxButtons(5), (Ids{4, 2}));
    EXPECT_EQ(systemBoxDefaultResult(36), mb::IdYes);
    EXPECT_EQ(systemBoxDefaultResult(292), mb::IdNo);
    EXPECT_EQ(systemBoxDefaultResult(0x203), mb::IdCancel);
    EXPECT_EQ(systemBoxDefaultResult(0x204), mb::IdYes);  // no third button: the first
    EXPECT_EQ(systemBoxDefaultResult(305), mb::IdCancel);
}

TEST(MsgBox, FontSizeBelowFiveIsTwelve) {
    SetMsgFontSize(4);
    EXPECT_EQ(MsgFontSize(), 12);
    SetMsgFontSize(5);
    EXPECT_EQ(MsgFontSize(), 5);
    SetMsgFontSize(-1);
    EXPECT_EQ(MsgFontSize(), 12);
    SetMsgFontSize(12);
}

TEST(MsgBox, ShowMsgBoxGoesThroughTheInstalledPortWithTheDialogChoice) {
    Sandbox box;
    SetMesCheck(true);
    SetMsgFontSize(16);
    box.messages.answer(mb::IdNo);
    EXPECT_EQ(ShowMsgBox(nullptr, u"text"_s, u"cap"_s, 36), mb::IdNo);
    EXPECT_EQ(ShowMsgBox(nullptr, u"again"_s, u"cap"_s, 292), mb::IdNo);  // script used up: Enter
    EXPECT_EQ(ShowSystemMsgBox(nullptr, u"sys"_s, u"cap"_s, 305), mb::IdCancel);
    SetMesCheck(false);
    SetMsgFontSize(12);
    const auto& m = box.messages.messages();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_TRUE(m[0].customDialog);
    EXPECT_EQ(m[0].fontSize, 16);
    EXPECT_EQ(m[0].text, QStringLiteral("text"));
    EXPECT_FALSE(m[2].customDialog);
}

TEST(TerminalPort, PrintsCaptionAndLinesAndAsksOnlyWhenInteractive) {
    std::istringstream in("x\nn\n");
    std::ostringstream out;
    TerminalMessagePort asking(in, out, true);
    EXPECT_EQ(asking.showMessage({nullptr, u"一行目\r二行目"_s, u"題"_s, 36, false, 12}), mb::IdNo);
    const QString shown = QString::fromStdString(out.str());
    EXPECT_TRUE(shown.startsWith(QStringLiteral("[題] 一行目\n二行目\n")));
    EXPECT_TRUE(shown.contains(QStringLiteral("はい(Y) / いいえ(N)")));

    std::istringstream empty("\n");
    std::ostringstream out2;
    TerminalMessagePort enter(empty, out2, true);
    EXPECT_EQ(enter.showMessage({nullptr, u"q"_s, u"c"_s, 292, false, 12}), mb::IdNo);

    std::istringstream none;
    std::ostringstream out3;
    TerminalMessagePort batch(none, out3, false);
    EXPECT_EQ(batch.showMessage({nullptr, u"q"_s, u"c"_s, 35, false, 12}), mb::IdYes);
    EXPECT_EQ(batch.showMessage({nullptr, u"q"_s, u"c"_s, 291, true, 12}), mb::IdNo);
    // Each message and the answer taken for the person, on lines of their own.
    EXPECT_EQ(QString::fromStdString(out3.str()), u"[c] q\n> はい(Y)\n[c] q\n> いいえ(N)\n"_s);
}

TEST(MsgDialogLayout, MulDivRoundsLikeWindows) {
    EXPECT_EQ(MulDiv(8, 7, 4), 14);
    EXPECT_EQ(MulDiv(10, 7, 4), 18);  // 17.5 rounds up
    EXPECT_EQ(MulDiv(-10, 7, 4), -18);
    EXPECT_EQ(MulDiv(8, 15, 8), 15);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

TEST(MsgDialogLayout, MarginsButtonsAndCentring) {
    const MsgDialogMetrics m = msgDialogMetrics(7, 15);
    EXPECT_EQ(m.horzMargin, 14);
    EXPECT_EQ(m.vertMargin, 15);
    EXPECT_EQ(m.horzSpacing, 18);
    EXPECT_EQ(m.vertSpacing, 19);
    EXPECT_EQ(m.buttonHeight, 26);
    EXPECT_EQ(m.buttonGap, 7);
    EXPECT_EQ(m.minButtonWidth, 88);

    // With an icon: the text starts after it, and a short text is 32 high.
    const MsgDialogGeometry g = layoutMsgDialog(m, QSize(200, 15), true, 3, 88);
    EXPECT_EQ(g.icon, QRect(14, 15, 32, 32));
    EXPECT_EQ(g.text, QRect(14 + 32 + 18, 15, 200, 15));
    const int iconText = 200 + 32 + 18;
    const int group = 3 * 88 + 2 * 7;
    EXPECT_EQ(g.client, QSize(std::max(iconText, group) + 28, 32 + 19 + 26 + 30));
    ASSERT_EQ(g.buttons.size(), 3u);
    EXPECT_EQ(g.buttons[0], QRect((g.client.width() - group) / 2, 32 + 15 + 19, 88, 26));
    EXPECT_EQ(g.buttons[2].left(), g.buttons[0].left() + 2 * (88 + 7));

    // Without an icon a wide button row sets the width.
    const MsgDialogGeometry plain = layoutMsgDialog(m, QSize(50, 45), false, 2, 120);
    EXPECT_TRUE(plain.icon.isNull());
    EXPECT_EQ(plain.client.width(), 2 * 120 + 7 + 28);
    EXPECT_EQ(plain.text.left(), 14);

    EXPECT_EQ(centreOver(QRect(100, 50, 501, 300), QSize(200, 101)), QPoint(250, 149));
    EXPECT_EQ(centreOver(QRect(0, 0, 100, 100), QSize(201, 101)), QPoint(-50, 0));
}

}  // namespace
