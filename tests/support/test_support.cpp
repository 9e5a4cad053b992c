#include "test_support.h"

#include <QFile>
#include <QGuiApplication>

#include <gtest/gtest.h>

namespace testing_support {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QString dataFile(const QString& name) {
    return QStringLiteral(SENDVIK_TEST_DATA "/") + name;
}

Sandbox::Sandbox() {
    EXPECT_TRUE(dir_.isValid());
}

}  // namespace testing_support

// The core uses Qt Gui (images, fonts), which wants an application object.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
