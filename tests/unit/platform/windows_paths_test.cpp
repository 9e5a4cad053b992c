// Paths written on Windows found here.

#include "platform/windows_paths.h"
#include "test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using testing_support::Sandbox;
using testing_support::writeBytes;

namespace {

TEST(WindowsPaths, BackslashesDrivesAndCaseAreFoundAsWindowsWould) {
    Sandbox box;
    QDir().mkpath(box.path(u"Zelkov/Sub"_s));
    writeBytes(box.path(u"Zelkov/Sub/BG.jpg"_s), "x");
    writeBytes(box.path(u"Zelkov/card.mQSL"_s), "x");
    const QString program = box.path(u"Zelkov"_s);
    const QStringList bases{program};
    const QString bg = box.path(u"Zelkov/Sub/BG.jpg"_s);

    // As written here.
    EXPECT_EQ(platform::locateWindowsPath(bg, bases), bg);
    EXPECT_EQ(platform::locateWindowsPath(u"Sub/BG.jpg"_s, bases), bg);
    // Backslashes, other case.
    EXPECT_EQ(platform::locateWindowsPath(u"sub\\bg.JPG"_s, bases), bg);
    // A drive letter: the layout below the program folder is kept.
    EXPECT_EQ(platform::locateWindowsPath(u"C:\\Zelkov\\sub\\bg.jpg"_s, bases), bg);
    EXPECT_EQ(platform::locateWindowsPath(u"D:\\QSL\\Zelkov\\Sub\\BG.jpg"_s, bases), bg);
    EXPECT_EQ(platform::locateWindowsPath(u"C:\\card.mqsl"_s, bases),
              box.path(u"Zelkov/card.mQSL"_s));
    // A network path.
    EXPECT_EQ(platform::locateWindowsPath(u"\\\\server\\share\\Sub\\bg.jpg"_s, bases), bg);
    // A native path in another case.
    EXPECT_EQ(platform::locateWindowsPath(box.path(u"zelkov/sub/bg.jpg"_s), {}), bg);

    // Wine's drives.
    QDir().mkpath(box.path(u"wine/drive_c/Photos"_s));
    QDir().mkpath(box.path(u"wine/dosdevices"_s));
    ASSERT_TRUE(QFile::link(box.path(u"wine/drive_c"_s), box.path(u"wine/dosdevices/c:"_s)));
    writeBytes(box.path(u"wine/drive_c/Photos/Sea.jpg"_s), "x");
    const QByteArray prefixBefore = qgetenv("WINEPREFIX");
    qputenv("WINEPREFIX", box.path(u"wine"_s).toLocal8Bit());
    const auto sea = platform::locateWindowsPath(u"c:\\photos\\sea.jpg"_s, bases);
    ASSERT_TRUE(sea);
    EXPECT_TRUE(sea->endsWith(u"/Photos/Sea.jpg"_s)) << sea->toStdString();
    qputenv("WINEPREFIX", prefixBefore);

    // Nothing there.
    EXPECT_FALSE(platform::locateWindowsPath(u"C:\\Zelkov\\none.jpg"_s, bases));
    EXPECT_FALSE(platform::locateWindowsPath(u"none\\bg.jpg"_s, bases));
    EXPECT_FALSE(platform::locateWindowsPath(QString(), bases));
    EXPECT_FALSE(platform::locateWindowsPath(u"..\\..\\etc\\x"_s, {}));
}

}  // namespace
