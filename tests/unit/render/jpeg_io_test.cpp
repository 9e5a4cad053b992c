#include "render/jpeg_io.h"
#include "golden.h"
#include "test_support.h"

#include <QColor>

#include <QElapsedTimer>

#include <gtest/gtest.h>

using testing_support::dataFile;
using testing_support::difference;
using testing_support::readBytes;
using testing_support::Sandbox;

namespace {

TEST(JpegRead, DecodesAtTheSmallestScaleThatCovers) {
    const JpegReadResult full = readJpeg(dataFile(u"jpeg/tower_baseline.jpg"_s));
    ASSERT_TRUE(full.ok()) << full.error.toStdString();
    EXPECT_EQ(full.image.size(), QSize(512, 512));
    EXPECT_EQ(full.scaleEighths, 8);

    const JpegReadResult small = readJpeg(dataFile(u"jpeg/tower_baseline.jpg"_s), QSize(100, 90));
    ASSERT_TRUE(small.ok());
    EXPECT_EQ(small.scaleEighths, 2);
    EXPECT_EQ(small.image.size(), QSize(128, 128));
    EXPECT_EQ(small.fullSize, QSize(512, 512));
    EXPECT_LT(difference(small.image, full.image.scaled(128, 128, Qt::IgnoreAspectRatio,
                                                        Qt::SmoothTransformation)),
              6.0);
}

TEST(JpegRead, ProgressiveGrayscaleCmykAndArithmeticFiles) {
    const JpegReadResult baseline = readJpeg(dataFile(u"jpeg/tower_baseline.jpg"_s));
    const JpegReadResult progressive = readJpeg(dataFile(u"jpeg/tower_progressive.jpg"_s));
    ASSERT_TRUE(progressive.ok()) << progressive.error.toStdString();
    EXPECT_LT(difference(progressive.image, baseline.image), 2.0);

    const JpegReadResult gray = readJpeg(dataFile(u"jpeg/tower_grayscale.jpg"_s));
    ASSERT_TRUE(gray.ok());
    const QRgb p = gray.image.pixel(200, 200);
    EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));

    const JpegReadResult cmyk = readJpeg(dataFile(u"jpeg/cmyk_ycck_adobe.jpg"_s));
    ASSERT_TRUE(cmyk.ok()) << cmyk.error.toStdString();
    EXPECT_EQ(cmyk.image.size(), QSize(100, 100));
    // Qt's own reader converts the same file; the colours must agree.
    QImage qt(dataFile(u"jpeg/cmyk_ycck_adobe.jpg"_s));
    ASSERT_FALSE(qt.isNull());
    EXPECT_LT(difference(cmyk.image, qt.convertToFormat(QImage::Format_RGB32)), 3.0);

    const JpegReadResult arithmetic = readJpeg(dataFile(u"jpeg/ijg_testimgari_arithmetic.jpg"_s));
    EXPECT_TRUE(arithmetic.ok() || !arithmetic.error.isEmpty());
}

TEST(JpegRead, CameraOrientationIsTurnedUpright) {
    const JpegReadResult plain =
        readJpeg(dataFile(u"jpeg/landscape_1800x1200.jpg"_s), QSize(200, 130));
    const JpegReadResult turned =
        readJpeg(dataFile(u"jpeg/landscape_orientation6.jpg"_s), QSize(200, 130));
    ASSERT_TRUE(plain.ok() && turned.ok());
    EXPECT_EQ(turned.fullSize, QSize(1800, 1200));
    EXPECT_EQ(turned.image.size(), plain.image.size());
    EXPECT_LT(difference(turned.image, plain.image), 8.0);

    JpegInfo info;
    ASSERT_TRUE(readJpegInfo(dataFile(u"jpeg/landscape_orientation6.jpg"_s), info));
    EXPECT_EQ(info.size, QSize(1200, 1800));
    EXPECT_EQ(info.orientation, 6);
    EXPECT_EQ(info.uprightSize(), QSize(1800, 1200));
}

TEST(JpegRead, APartIsCutFromTheTopLeftAtTheScaleThatCoversIt) {
    const QString photo = dataFile(u"jpeg/landscape_1800x1200.jpg"_s);
    const JpegReadResult part = readJpeg(photo, QSize(528, 336), QRect(0, 0, 1800, 1146));
    ASSERT_TRUE(part.ok());
    EXPECT_EQ(part.scaleEighths, 3);
    EXPECT_EQ(part.image.size(), QSize(675, 430));
    const JpegReadResult whole = readJpeg(photo, QSize(675, 450));
    ASSERT_EQ(whole.scaleEighths, 3);
    EXPECT_LT(difference(part.image, whole.image.copy(0, 0, 675, 430)), 1.0);

    // An inner part of a turned photo.
    const JpegReadResult inner =
        readJpeg(dataFile(u"jpeg/landscape_orientation6.jpg"_s), QSize(), QRect(100, 50, 300, 200));
    ASSERT_TRUE(inner.ok());
    EXPECT_EQ(inner.image.size(), QSize(300, 200));
}

TEST(JpegRead, CorruptTruncatedAndHugeFilesAreRefused) {
    const JpegReadResult truncated = readJpeg(dataFile(u"jpeg/landscape_truncated.jpg"_s));
    EXPECT_FALSE(truncated.ok());
    EXPECT_FALSE(truncated.error.isEmpty());

    EXPECT_FALSE(readJpegData(QByteArray("not a picture at all")).ok());
    EXPECT_FALSE(readJpegData(QByteArray()).ok());
    QByteArray garbage = readBytes(dataFile(u"jpeg/tower_baseline.jpg"_s));
    for (qsizetype i = garbage.size() / 3; i < garbage.size(); i += 7)
        garbage[i] = char(i * 31);
    const JpegReadResult scrambled = readJpegData(garbage);  // must not crash
    EXPECT_TRUE(scrambled.ok() || !scrambled.error.isEmpty());

    // A header that claims 60000 x 60000 pixels.
    QByteArray huge = readBytes(dataFile(u"jpeg/tower_baseline.jpg"_s));
    qsizetype sof = 2;  // walk the segments to the frame header
    while (sof + 4 < huge.size() && uchar(huge[sof + 1]) != 0xC0)
        sof += 2 + (uchar(huge[sof + 2]) << 8 | uchar(huge[sof + 3]));
    ASSERT_EQ(uchar(huge[sof + 1]), 0xC0);
    huge[sof + 5] = char(0xEA), huge[sof + 6] = char(0x60);  // height 60000
    huge[sof + 7] = char(0xEA), huge[sof + 8] = char(0x60);  // width 60000
    const JpegReadResult refused = readJpegData(huge);
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.error.contains(u"画像が大きすぎます"_s)) << refused.error.toStdString();

    EXPECT_FALSE(readJpeg(u"/nonexistent/x.jpg"_s).ok());

    // A progressive file holds all its coefficients: 20000 x 20000 claimed
    // (8 of its 68 kB) is refused before anything is held, and one scan
    // repeated 300 times ends at the scan limit, in far less than a second.
    QByteArray progressive = readBytes(dataFile(u"jpeg/tower_progressive.jpg"_s));
    qsizetype frame = 2;
    while (frame + 4 < progressive.size() && uchar(progressive[frame + 1]) != 0xC2)
        frame += 2 + (uchar(progressive[frame + 2]) << 8 | uchar(progressive[frame + 3]));
    ASSERT_EQ(uchar(progressive[frame + 1]), 0xC2);
    QByteArray claimed = progressive;
    claimed[frame + 5] = char(20000 >> 8), claimed[frame + 6] = char(20000 & 0xFF);
    claimed[frame + 7] = char(20000 >> 8), claimed[frame + 8] = char(20000 & 0xFF);
    EXPECT_TRUE(readJpegData(claimed).error.contains(u"画像が大きすぎます"_s));
    const qsizetype lastScan = progressive.lastIndexOf(QByteArray("\xFF\xDA", 2));
    const qsizetype end = progressive.lastIndexOf(QByteArray("\xFF\xD9", 2));
    ASSERT_GT(end, lastScan);
    const QByteArray scan = progressive.mid(lastScan, end - lastScan);
    QByteArray scans = progressive.left(end);
    for (int i = 0; i < 300; ++i)
        scans += scan;
    scans += QByteArray("\xFF\xD9", 2);
    QElapsedTimer clock;
    clock.start();
    const JpegReadResult many = readJpegData(scans);
    EXPECT_FALSE(many.ok());
    EXPECT_TRUE(many.error.contains(u"スキャンが多すぎます"_s)) << many.error.toStdString();
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST(JpegWrite, BaselineWithoutThePhotosMetadata) {
    Sandbox box;
    const JpegReadResult photo = readJpeg(dataFile(u"jpeg/landscape_1800x1200.jpg"_s));
    ASSERT_TRUE(photo.ok());
    const QString card = box.path(u"card.jpg"_s);
    ASSERT_TRUE(writeJpeg(photo.image.copy(0, 0, 1024, 652), card));
    const QByteArray bytes = readBytes(card);
    EXPECT_TRUE(bytes.contains(QByteArray("\xff\xc0", 2)));   // baseline frame
    EXPECT_FALSE(bytes.contains(QByteArray("\xff\xc2", 2)));  // not progressive
    EXPECT_FALSE(bytes.contains("Exif"));
    const JpegReadResult back = readJpeg(card);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.image.size(), QSize(1024, 652));
    EXPECT_LT(difference(back.image, photo.image.copy(0, 0, 1024, 652)), 3.0);

    QString error;
    EXPECT_FALSE(writeJpeg(photo.image, u"/nonexistent/dir/card.jpg"_s, 90, &error));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace
