#include "core/zkw_ini.h"
#include "core/window_state.h"

#include "core/sjis.h"
#include "test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using testing_support::readBytes;
using testing_support::Sandbox;
using testing_support::writeBytes;

namespace {

const QString kSample = QStringLiteral(
    "stray=before any section\r\n"
    "[Config]\r\n"
    "; a comment\r\n"
    "Alpha=20\r\n"
    "Name=  leading kept, trailing cut  \t\r\n"
    "alpha=99\r\n"
    "\r\n"
    "[kankyo]\r\n"
    "Gosa=abc\r\n"
    "Color=$80000005\r\n"
    "Neg=-2147483643\r\n"
    "[CONFIG]\r\n"
    "Alpha=1\r\n"
    "Extra=second section\r\n");

TEST(ZkwIni, ReadsTheFirstOfDuplicatesIgnoringCaseAndTrimsTrailingBlanks) {
    Sandbox box;
    writeBytes(box.path(u"s.ini"_s), sjis::fromUnicode(kSample));
    TZkwIni ini(box.path(u"s.ini"_s));
    EXPECT_EQ(ini.readString(u"config", u"ALPHA", {}), QStringLiteral("20"));
    EXPECT_EQ(ini.readString(u"Config", u"Name", {}),
              QStringLiteral("  leading kept, trailing cut"));
    // The second [CONFIG] is kept but never read.
    EXPECT_EQ(ini.readString(u"Config", u"Extra", u"none"_s), QStringLiteral("none"));
    EXPECT_EQ(ini.sectionNames(), (QStringList{u"Config"_s, u"kankyo"_s, u"CONFIG"_s}));
    EXPECT_EQ(ini.readString(u"Nowhere", u"Alpha", u"dflt"_s), QStringLiteral("dflt"));
    EXPECT_EQ(ini.readString(u"Config", u"stray", u"dflt"_s), QStringLiteral("dflt"));
}

TEST(ZkwIni, IntegersReadZeroForTextThatIsNoNumber) {
    Sandbox box;
    writeBytes(box.path(u"s.ini"_s), sjis::fromUnicode(kSample));
    TZkwIni ini(box.path(u"s.ini"_s));
    EXPECT_EQ(ini.readInteger(u"Kankyo", u"Gosa", 10), 0);
    EXPECT_EQ(ini.readInteger(u"Kankyo", u"Missing", 10), 10);
    EXPECT_EQ(ini.readInteger(u"Kankyo", u"Color", 0), static_cast<int>(0x80000005));
    EXPECT_EQ(ini.readInteger(u"Kankyo", u"Neg", 0), -2147483643);
    ini.writeString(u"Kankyo", u"Big", u"99999999999"_s);
    ini.writeString(u"Kankyo", u"Partial", u"12abc"_s);
    ini.writeString(u"Kankyo", u"Empty", QString());
    ini.writeString(u"Kankyo", u"Hex", u"0x1F"_s);
    EXPECT_EQ(ini.readInteger(u"Kankyo", u"Big", 5), 0);
    EXPECT_EQ(ini.readInteger(u"Kankyo", u"Partial", 5), 0);
    EXPECT_EQ(ini.readInteger(u"Kankyo", u"Empty", 5), 0);
    EXPECT_EQ(ini.readInteger(u"Kankyo", u"Hex", 5), 31);
}

TEST(ZkwIni, WritesReplaceTheFirstLineOrAppendAndDeletesRemoveIt) {
    Sandbox box;
    writeBytes(box.path(u"s.ini"_s), sjis::fromUnicode(kSample));
    TZkwIni ini(box.path(u"s.ini"_s));
    ini.writeInteger(u"CONFIG", u"alpha", 7);
    ini.writeString(u"Config", u"New", u"東京"_s);
    ini.writeString(u"Option", u"Calls", u"JA1ABC"_s);
    ini.writeOrDelete(u"Config", u"Name", QString());
    ini.deleteKey(u"Config", u"NotThere");
    ini.deleteKey(u"NoSection", u"x");
    ini.eraseSection(u"config");                   // erases only the first [Config]
    ini.writeString(u"Config", u"Again", u"1"_s);  // finds the remaining [CONFIG]
    EXPECT_EQ(QString::fromUtf8(ini.render()),
              QStringLiteral("[kankyo]\r\nGosa=abc\r\nColor=$80000005\r\nNeg=-2147483643\r\n\r\n"
                             "[CONFIG]\r\nAlpha=1\r\nExtra=second section\r\nAgain=1\r\n\r\n"
                             "[Option]\r\nCalls=JA1ABC\r\n\r\n"));
}

TEST(ZkwIni, FlushWritesCp932WithCrLfOnlyWhenTheTextDiffers) {
    Sandbox box;
    const QString file = box.path(u"s.ini"_s);
    const QByteArray written = sjis::fromUnicode(u"[Config]\r\nFontName=ＭＳ Ｐ明朝\r\n\r\n");
    writeBytes(file, written);
    {
        TZkwIni ini(file);
        // Unchanged settings: the file on disk is left alone (we swap its
        // content to see whether the store writes).
        writeBytes(file, "sentinel");
        EXPECT_TRUE(ini.flush());
        EXPECT_EQ(readBytes(file), QByteArray("sentinel"));
        ini.writeString(u"Config", u"Alpha", u"17"_s);
        EXPECT_TRUE(ini.flush());
    }
    EXPECT_EQ(readBytes(file), written.chopped(2) + "Alpha=17\r\n\r\n");
    EXPECT_TRUE(box.messages.messages().empty());
    EXPECT_EQ(QDir(box.dir()).entryList(QDir::Files), QStringList{u"s.ini"_s});
}

TEST(ZkwIni, CommentsAndStrayLinesMakeTheFirstFlushRewriteTheFile) {
    Sandbox box;
    const QString file = box.path(u"s.ini"_s);
    writeBytes(file, "; comment\r\n[A]\r\nk=v\r\n\r\n");
    { TZkwIni ini(file); }
    EXPECT_EQ(readBytes(file), QByteArray("[A]\r\nk=v\r\n\r\n"));
    // A file with LF endings reads the same, and counts as unchanged.
    writeBytes(file, "[A]\nk=v\n\n");
    {
        TZkwIni ini(file);
        EXPECT_EQ(ini.readString(u"A", u"k", {}), QStringLiteral("v"));
    }
    EXPECT_EQ(readBytes(file), QByteArray("[A]\nk=v\n\n"));
}

TEST(ZkwIni, Utf8EditedByHandIsReadAndWrittenBackAsCp932) {
    Sandbox box;
    const QString file = box.path(u"s.ini"_s);
    writeBytes(file, QStringLiteral("[Config]\r\nFontName=ＭＳ ゴシック\r\n\r\n").toUtf8());
    {
        TZkwIni ini(file);
        EXPECT_EQ(ini.readString(u"Config", u"FontName", {}), QStringLiteral("ＭＳ ゴシック"));
    }
    EXPECT_EQ(readBytes(file), sjis::fromUnicode(u"[Config]\r\nFontName=ＭＳ ゴシック\r\n\r\n"));
}

TEST(ZkwIni, AMissingFileReadsDefaultsAndIsCreatedByTheFirstWrite) {
    Sandbox box;
    const QString file = box.path(u"new.ini"_s);
    TZkwIni ini(file);
    EXPECT_EQ(ini.readInteger(u"Config", u"PCheck", 441), 441);
    EXPECT_TRUE(ini.flush());
    EXPECT_FALSE(QFile::exists(file));
    ini.writeInteger(u"Config", u"PCheck", 441);
    EXPECT_TRUE(ini.flush());
    EXPECT_EQ(readBytes(file), QByteArray("[Config]\r\nPCheck=441\r\n\r\n"));
}

TEST(ZkwIni, AFileThatCannotBeWrittenIsReportedAndNothingElseFails) {
    Sandbox box;
    const QString file = box.path(u"missing-folder/s.ini"_s);
    TZkwIni ini(file);
    ini.writeString(u"Config", u"Alpha", u"3"_s);
    EXPECT_FALSE(ini.flush());
    ASSERT_EQ(box.messages.messages().size(), 1u);
    const MessageRequest& m = box.messages.messages().front();
    EXPECT_EQ(m.text,
              QStringLiteral("次のファイルが書き込めません！ ファイル属性を確認してください\r\r") +
                  file + QStringLiteral("\r\r（フォルダが見つかりません）"));
    EXPECT_EQ(m.caption, QStringLiteral("ZELKOV E-Mail QSL"));
    EXPECT_EQ(m.flags, 16u);
    // The settings stay in memory and reach a file once one can be written.
    EXPECT_FALSE(ini.flush());  // the same failure again is not told twice
    EXPECT_EQ(box.messages.messages().size(), 1u);
    ini.writeString(u"Config"_s, u"Beta"_s, u"4"_s);
    EXPECT_FALSE(ini.flush());  // new settings, still no file: told again
    EXPECT_EQ(box.messages.messages().size(), 2u);
    ini.deleteKey(u"Config"_s, u"Beta"_s);
    ini.rebind(box.path(u"s.ini"_s));
    EXPECT_TRUE(ini.flush());
    EXPECT_EQ(readBytes(box.path(u"s.ini"_s)), QByteArray("[Config]\r\nAlpha=3\r\n\r\n"));
}

TEST(ZkwIni, WordEncodingRoundTripsOddLengthsAndJapanese) {
    EXPECT_EQ(encodeWords("ab"), QStringLiteral("25185x"));
    EXPECT_EQ(encodeWords("abc"), QStringLiteral("25185x99x"));
    EXPECT_EQ(decodeWords(u"25185x99x"), QByteArray("abc"));
    EXPECT_EQ(decodeWords(u"no numbers"), QByteArray());
    EXPECT_EQ(decodeWords(u"25185x0x25185x"), QByteArray("ab"));  // stops at the first zero
    EXPECT_EQ(decodeWords(u"97x25185x"), QByteArray("a"));        // a zero high byte ends it

    Sandbox box;
    TZkwIni ini(box.path(u"s.ini"_s));
    for (const QString& pass : {u"p"_s, u"abc"_s, u"パスワード1"_s, u"x"_s.repeated(40)}) {
        ini.writeWords(u"Option", u"Pass1", pass);
        EXPECT_EQ(ini.readWords(u"Option", u"Pass1"), pass);
    }
    ini.writeWords(u"Option", u"Pass2", QString());
    EXPECT_EQ(ini.readString(u"Option", u"Pass2", u"-"_s), QString());
    EXPECT_EQ(ini.readWords(u"Option", u"Pass2"), QString());
}

TEST(ZkwIni, EveryValueReadsBackExactlyAndNoneAddsLines) {
    Sandbox box;
    const QString values[] = {
        u"/home/josé/photo.jpg"_s,           // no CP932 form
        u"€uro pässword 😀"_s,                // nor these
        u"x\r\n[Option]\r\nPass1=stolen"_s,  // a line break would add a section
        u"tab\there"_s,
        u"=?UTF-8?B?bm90IG1pbmU=?="_s,  // looks like the stored form itself
        u"東京都　新宿区"_s,            // CP932: written as it always was
    };
    {
        TZkwIni ini(box.path(u"s.ini"_s));
        for (int i = 0; i < 6; ++i) {
            ini.writeString(u"Config", u"V%1"_s.arg(i), values[i]);
            ini.writeWords(u"Option", u"P%1"_s.arg(i), values[i]);
        }
        EXPECT_TRUE(ini.flush());
    }
    const QByteArray file = readBytes(box.path(u"s.ini"_s));
    EXPECT_EQ(file.count("\r\n["), 1) << file.toStdString();  // [Option] only after [Config]
    EXPECT_TRUE(file.contains(sjis::fromUnicode(u"V5=東京都　新宿区\r\n")));
    TZkwIni again(box.path(u"s.ini"_s));
    EXPECT_FALSE(again.hasSection(u"Option") &&
                 again.readString(u"Option", u"Pass1", {}) == u"stolen");
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(again.readString(u"Config", u"V%1"_s.arg(i), {}), values[i]) << i;
        EXPECT_EQ(again.readWords(u"Option", u"P%1"_s.arg(i)), values[i]) << i;
    }
}

TEST(ZkwIni, TheFileIsTheOwnersAloneNewOrRewritten) {
    Sandbox box;
    const auto rest = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                      QFile::WriteOther | QFile::ExeOther;
    {
        TZkwIni ini(box.path(u"new.ini"_s));
        ini.writeWords(u"Option", u"Pass1", u"secret"_s);
    }
    EXPECT_EQ(QFile::permissions(box.path(u"new.ini"_s)) & rest, QFile::Permissions());
    writeBytes(box.path(u"old.ini"_s), "[Option]\r\n");
    QFile::setPermissions(box.path(u"old.ini"_s), QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ReadGroup | QFile::ReadOther);
    {
        TZkwIni ini(box.path(u"old.ini"_s));
        ini.writeWords(u"Option", u"Pass1", u"secret"_s);
    }
    EXPECT_EQ(QFile::permissions(box.path(u"old.ini"_s)) & rest, QFile::Permissions());
}

TEST(ZkwIni, RebindWritesEverythingToTheNewFile) {
    Sandbox box;
    writeBytes(box.path(u"a.ini"_s), "[Count]\r\nMax=3\r\n\r\n");
    TZkwIni ini(box.path(u"a.ini"_s));
    ini.rebind(box.path(u"b.ini"_s));
    EXPECT_EQ(ini.fileName(), box.path(u"b.ini"_s));
    EXPECT_TRUE(ini.flush());
    EXPECT_EQ(readBytes(box.path(u"b.ini"_s)), QByteArray("[Count]\r\nMax=3\r\n\r\n"));
    EXPECT_EQ(readBytes(box.path(u"a.ini"_s)), QByteArray("[Count]\r\nMax=3\r\n\r\n"));
}

}  // namespace

namespace {

// Windows come back where their title bar can be taken hold of.
TEST(WindowPlaces, ATitleBarOffEveryScreenIsBroughtBack) {
    const std::vector<QRect> two{QRect(0, 0, 1280, 1000), QRect(1280, 0, 1920, 1080)};
    // Shown already: left alone, on either screen.
    EXPECT_EQ(placedOnScreen(QRect(40, 60, 600, 700), two), QRect(40, 60, 600, 700));
    EXPECT_EQ(placedOnScreen(QRect(2000, 300, 600, 700), two), QRect(2000, 300, 600, 700));
    // A fresh folder's 0,0: the title bar would sit above the screen.
    EXPECT_EQ(placedOnScreen(QRect(0, 0, 600, 700), two), QRect(0, 32, 600, 700));
    // Left on a screen since unplugged: onto the first one, size kept.
    EXPECT_EQ(placedOnScreen(QRect(4000, 2000, 600, 700), two), QRect(680, 300, 600, 700));
    EXPECT_EQ(placedOnScreen(QRect(-3000, 400, 600, 700), {two[0]}).topLeft(), QPoint(0, 300));
    // Partly shown with its title bar off the right edge: moved just enough.
    EXPECT_EQ(placedOnScreen(QRect(1250, 100, 600, 700), {two[0]}).topLeft(), QPoint(1180, 100));
    EXPECT_EQ(placedOnScreen(QRect(9, 9, 500, 400), {}), QRect(9, 9, 500, 400));
}

}  // namespace
