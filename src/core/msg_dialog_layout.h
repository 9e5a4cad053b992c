#pragma once
// The arithmetic of the program's own message dialog, kept apart from the
// widgets so that it can be checked on its own.

#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

// number x numerator / denominator, rounded half away from zero; -1 for a zero
// denominator.
int MulDiv(int number, int numerator, int denominator);

// Spacings derived from the font's average character width cx and height cy.
struct MsgDialogMetrics {
    int horzMargin = 0;
    int vertMargin = 0;
    int horzSpacing = 0;
    int vertSpacing = 0;
    int buttonHeight = 0;
    int buttonGap = 0;
    int minButtonWidth = 0;
};
MsgDialogMetrics msgDialogMetrics(int cx, int cy);

inline constexpr int kMsgIconSize = 32;

struct MsgDialogGeometry {
    QSize client;
    QRect icon;  // empty without an icon
    QRect text;
    std::vector<QRect> buttons;
};

// Places icon, text and a centred row of equal buttons. `textSize` is the
// word-wrapped text's extent.
MsgDialogGeometry layoutMsgDialog(const MsgDialogMetrics& m, QSize textSize, bool hasIcon,
                                  int buttonCount, int buttonWidth);

// Top-left corner that centres a window of `size` over `owner` (integer
// division rounding towards zero).
QPoint centreOver(const QRect& owner, const QSize& size);
