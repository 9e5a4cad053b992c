#include "core/bitmap_ops.h"

#include <gtest/gtest.h>

namespace {

QImage filled(int w, int h, QRgb colour) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

TEST(FadeRect, BlendsTowardsGreyInsideTheRectangleOnly) {
    QImage img = filled(10, 8, qRgb(0, 0, 0));
    FadeRect(img, QRect(2, 3, 4, 2), 17);  // alpha 170
    const int expected = (0 * 170 + 0xC0 * 85 + 127) / 255;
    EXPECT_EQ(img.pixel(2, 3), qRgb(expected, expected, expected));
    EXPECT_EQ(img.pixel(5, 4), qRgb(expected, expected, expected));
    EXPECT_EQ(img.pixel(6, 4), qRgb(0, 0, 0));  // right edge exclusive
    EXPECT_EQ(img.pixel(5, 5), qRgb(0, 0, 0));  // bottom edge exclusive
    EXPECT_EQ(img.pixel(1, 3), qRgb(0, 0, 0));
}

TEST(FadeRect, LevelsAreClampedAndTheRectangleClipped) {
    QImage low = filled(4, 4, qRgb(255, 255, 255));
    QImage dflt = low;
    FadeRect(low, QRect(0, 0, 4, 4), 0);
    FadeRect(dflt, QRect(0, 0, 4, 4), 17);
    EXPECT_EQ(low, dflt);  // level 0 is 17: alpha 170

    QImage high = filled(4, 4, qRgb(0, 0, 0));
    FadeRect(high, QRect(-5, -5, 100, 100), 30);  // 25: alpha 250, whole image
    const int v = (0xC0 * 5 + 127) / 255;
    EXPECT_EQ(high.pixel(0, 0), qRgb(v, v, v));
    EXPECT_EQ(high.pixel(3, 3), qRgb(v, v, v));

    QImage outside = filled(4, 4, qRgb(9, 9, 9));
    FadeRect(outside, QRect(10, 10, 5, 5), 17);
    EXPECT_EQ(outside.pixel(0, 0), qRgb(9, 9, 9));
    EXPECT_EQ(fadeLevel(0), 17);
    EXPECT_EQ(fadeLevel(1), 1);
    EXPECT_EQ(fadeLevel(26), 25);
}

TEST(StretchCopy, AveragesWhenShrinkingAndFillsTheWholeDestination) {
    // A one-pixel checkerboard halved becomes an even grey, not a pattern.
    QImage board(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            board.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    QImage dest(32, 16, QImage::Format_RGB32);
    StretchCopy(board, dest);
    ASSERT_EQ(dest.size(), QSize(32, 16));
    EXPECT_EQ(dest.format(), QImage::Format_RGB32);
    for (QPoint p : {QPoint(5, 5), QPoint(20, 10), QPoint(31, 15)}) {
        const int g = qGray(dest.pixel(p));
        EXPECT_GT(g, 100);
        EXPECT_LT(g, 155);
    }
    QImage same(64, 64, QImage::Format_RGB32);
    StretchCopy(board, same);
    EXPECT_EQ(same, board);
}

}  // namespace
