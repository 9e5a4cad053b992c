// sendvik-cli render: the card of one record, as the send batch draws it.

#include "log_fixture.h"
#include "render/jpeg_io.h"
#include "test_support.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

struct Output {
    int code = -1;
    QString out, err;
};

Output cli(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(u"QT_QPA_PLATFORM"_s);  // the command chooses its own
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(SENDVIK_CLI), args);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

TEST(RenderCommand, DrawsTheCardOfARecordInBothModes) {
    Sandbox box;
    const QString home = box.path(u"home"_s);
    const QStringList at = {u"--home"_s, home};
    ASSERT_EQ(
        cli(at +
            QStringList{
                u"log"_s, u"import"_s,
                dataFile(u"adif/ja_station_js2iiu_adifmaster_v2_25_one_record_per_line.adi"_s)})
            .code,
        0);
    QFile::copy(dataFile(u"jpeg/landscape_1800x1200.jpg"_s), home + u"/photo.jpg"_s);
    cli(at + QStringList{u"settings"_s, u"set"_s, u"Config"_s, u"Jpeg"_s, u"photo.jpg"_s});
    cli(at + QStringList{u"settings"_s, u"set"_s, u"Option"_s, u"Calls"_s, u"JS2IIU"_s});

    // A user list whose index is unusable: the desktop program would drop
    // the index at start, a card drawn from the command line leaves it.
    writeBytes(home + u"/UserList.usr"_s, "2024/02/01\r\nJA4FJR\r\n");
    writeBytes(home + u"/UserList.usx"_s, "not an index");
    const auto folderTree = [&home] {
        QStringList names;
        QDirIterator it(home, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            names << it.next();
        names.sort();
        return names;
    };
    const QStringList before = folderTree();

    const QString card = box.path(u"card.jpg"_s);
    Output r = cli(at + QStringList{u"render"_s, u"1"_s, u"-o"_s, card});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    // Nothing but the card: no card folders, the index as it was.
    EXPECT_EQ(folderTree(), before);
    EXPECT_EQ(readBytes(home + u"/UserList.usx"_s), QByteArray("not an index"));
    const QStringList lines = r.out.split(u'\n');
    EXPECT_EQ(lines.value(0), u"JS2IIU_210206_1408_7.043_FT8_JA4FJR.jpg"_s) << r.out.toStdString();
    EXPECT_EQ(lines.value(1), u"ZELKOV E-Mail QSL From:JS2IIU QSO-Date:2021/02/06"_s);
    EXPECT_EQ(lines.value(2), u"X-Mailer: ZELKOV E-Mail QSL, QSO-yymm:2102"_s);
    EXPECT_EQ(lines.value(3), u"To Radio:JA4FJR　Confirming Our QSO"_s);
    JpegInfo info;
    ASSERT_TRUE(readJpegInfo(card, info));
    EXPECT_EQ(info.size, QSize(1024, 652));

    writeBytes(box.path(u"expert.mQSL"_s),
               "#Size 1000,600,0xFFFFFF\r\n#FontName=\"\x82\x6c\x82\x72 "
               "\x83\x53\x83\x56\x83\x62\x83\x4e\"\r\n"
               "#FontSize=30\r\n#Print 20,20,\"!Ca -> !cp\"\r\n");
    r = cli(at + QStringList{u"render"_s, u"1"_s, u"-o"_s, card, u"--definition"_s,
                             box.path(u"expert.mQSL"_s)});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_TRUE(readJpegInfo(card, info));
    EXPECT_EQ(info.size, QSize(1000, 600));

    EXPECT_EQ(cli(at + QStringList{u"render"_s, u"999"_s, u"-o"_s, card}).code, 1);
    EXPECT_EQ(cli(at + QStringList{u"render"_s, u"x"_s}).code, 2);
    // A name that says another kind of picture is refused, nothing written.
    r = cli(at + QStringList{u"render"_s, u"1"_s, u"-o"_s, box.path(u"card.png"_s)});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(u".jpg または .jpeg"_s)) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(box.path(u"card.png"_s)));

    // A card that cannot be stored: the place, then the system's reason.
    const QString nowhere = box.path(u"missing/card.jpg"_s);
    r = cli(at + QStringList{u"render"_s, u"1"_s, u"-o"_s, nowhere});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(u"sendvik-cli: 電子QSLが保存できません: "_s +
                               QDir::toNativeSeparators(nowhere) + u"（"_s))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith(u"）\n"_s)) << r.err.toStdString();
}

// A QSO whose date no calendar has gets no card, and says so.
TEST(RenderCommand, ARecordWithAnImpossibleDateDrawsNoCard) {
    Sandbox box;
    const QString home = box.path(u"home"_s);
    QDir().mkpath(home);
    makeLog(home + u"/ZELKOV.mst"_s, {qso(u"JR2XYZ"_s, u"26/13/01"_s, u"25:61"_s)});
    const QString card = box.path(u"card.jpg"_s);
    const Output r = cli({u"--home"_s, home, u"render"_s, u"1"_s, u"-o"_s, card});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_TRUE(r.err.endsWith(
        u"sendvik-cli: レコード 1 の日付または時刻が不正です！ 電子QSLは作成しません\n"_s))
        << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(card));
}

}  // namespace
