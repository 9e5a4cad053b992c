#pragma once
// Comparing drawn pictures with the reference pictures of tests/data/golden.

#include "test_support.h"

#include <QImage>

#include <gtest/gtest.h>

namespace testing_support {

// Mean absolute channel difference, 0 ... 255.
inline double difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

// A reference picture of tests/data/golden, kept at half size; a shifted or
// missing text line still shows. SENDVIK_UPDATE_GOLDEN=1 writes them anew
// (look at them before committing).
inline void expectLooksLike(const QImage& full, const QString& name) {
    const QString path = dataFile(u"golden/"_s + name);
    const QImage image =
        full.scaled(full.size() / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (qEnvironmentVariableIsSet("SENDVIK_UPDATE_GOLDEN")) image.save(path, "PNG");
    const QImage reference = QImage(path).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(reference.isNull()) << path.toStdString();
    const QImage drawn = image.convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(drawn.size(), reference.size());
    EXPECT_LT(difference(drawn, reference), 1.5) << name.toStdString();
    // No part may differ much either: a moved or missing text shows here.
    double worst = 0;
    for (int y = 0; y + 16 <= drawn.height(); y += 16)
        for (int x = 0; x + 16 <= drawn.width(); x += 16)
            worst =
                std::max(worst, difference(drawn.copy(x, y, 16, 16), reference.copy(x, y, 16, 16)));
    EXPECT_LT(worst, 12.0) << name.toStdString();
}

}  // namespace testing_support
