#include "core/msg_dialog_layout.h"

#include <algorithm>
#include <cstdlib>

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = std::llabs(static_cast<long long>(denominator)) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const long long magnitude =
        (std::llabs(product) + half) / std::llabs(static_cast<long long>(denominator));
    return static_cast<int>(negative ? -magnitude : magnitude);
}

MsgDialogMetrics msgDialogMetrics(int cx, int cy) {
    MsgDialogMetrics m;
    m.horzMargin = MulDiv(8, cx, 4);
    m.vertMargin = MulDiv(8, cy, 8);
    m.horzSpacing = MulDiv(10, cx, 4);
    m.vertSpacing = MulDiv(10, cy, 8);
    m.buttonHeight = MulDiv(14, cy, 8);
    m.buttonGap = MulDiv(4, cx, 4);
    m.minButtonWidth = MulDiv(50, cx, 4);
    return m;
}

MsgDialogGeometry layoutMsgDialog(const MsgDialogMetrics& m, QSize textSize, bool hasIcon,
                                  int buttonCount, int buttonWidth) {
    MsgDialogGeometry g;
    int iconTextWidth = textSize.width();
    int iconTextHeight = textSize.height();
    if (hasIcon) {
        iconTextWidth += kMsgIconSize + m.horzSpacing;
        iconTextHeight = std::max(iconTextHeight, kMsgIconSize);
        g.icon = QRect(m.horzMargin, m.vertMargin, kMsgIconSize, kMsgIconSize);
    }
    const int n = std::max(buttonCount, 0);
    const int groupWidth = n > 0 ? n * buttonWidth + (n - 1) * m.buttonGap : 0;
    g.client = QSize(std::max(iconTextWidth, groupWidth) + 2 * m.horzMargin,
                     iconTextHeight + m.vertSpacing + m.buttonHeight + 2 * m.vertMargin);
    g.text = QRect(iconTextWidth - textSize.width() + m.horzMargin, m.vertMargin, textSize.width(),
                   textSize.height());
    int x = (g.client.width() - groupWidth) / 2;
    const int y = iconTextHeight + m.vertMargin + m.vertSpacing;
    for (int i = 0; i < n; ++i) {
        g.buttons.emplace_back(x, y, buttonWidth, m.buttonHeight);
        x += buttonWidth + m.buttonGap;
    }
    return g;
}

QPoint centreOver(const QRect& owner, const QSize& size) {
    return {owner.left() + (owner.width() - size.width()) / 2,
            owner.top() + (owner.height() - size.height()) / 2};
}
