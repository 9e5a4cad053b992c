#include "app/main_state.h"
#include "app/startup_checks.h"
#include "core/app_paths.h"
#include "core/msg_box.h"
#include "core/recent_lists.h"
#include "core/zkw_ini.h"
#include "log_fixture.h"
#include "logdata/user_list.h"
#include "settings/comm_settings.h"
#include "settings/kankyo.h"
#include "settings/program_files.h"
#include "test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

using testing_support::readBytes;
using testing_support::Sandbox;
using testing_support::writeBytes;

namespace {

TEST(MainStateStart, AnEmptyFolderGivesEveryDefaultAndTheDefaultFolders) {
    Sandbox box;
    TZkwIni ini(box.path(u"Sendvik.ini"_s));
    MainState state;
    EXPECT_FALSE(state.load(ini, AppPaths(box.dir())));
    // Loading only reads: the folders come with the desktop program's
    // preparation of the program folder.
    EXPECT_TRUE(QDir(box.dir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    prepareProgramFolder(state);

    EXPECT_TRUE(QFileInfo(box.path(u"受信"_s)).isDir());
    EXPECT_TRUE(QFileInfo(box.path(u"送信"_s)).isDir());
    EXPECT_TRUE(QFileInfo(box.path(u"QslMsg"_s)).isDir());
    EXPECT_EQ(state.folders.receivedDir, box.path(u"受信"_s));
    EXPECT_EQ(state.folders.messageDir, box.path(u"QslMsg"_s));
    EXPECT_EQ(state.qsoData, box.path(u"ZELKOV.mst"_s));
    // No user list: the service decides, through the program's own list.
    EXPECT_EQ(state.userList, box.path(u"ServiceUsers.usr"_s));
    EXPECT_TRUE(state.serviceDecides());
    EXPECT_EQ(state.messageTextPath, box.path(u"QslMessage.txt"_s));
    EXPECT_EQ(state.rigAntPath, box.path(u"RigAnt.dat"_s));
    EXPECT_TRUE(state.picturePath.isEmpty());
    EXPECT_TRUE(state.userEdition.isEmpty());
    EXPECT_TRUE(state.rigLines.isEmpty());
    EXPECT_EQ(state.windowPlace, QRect(0, 0, 400, 400));
    EXPECT_EQ(state.places, QStringList{QString()});
    EXPECT_EQ(state.rstRule, u"FT8,FT4,JT65=dB;CW=RST"_s);
    EXPECT_EQ(state.drawing.backgroundColour, 0xFFFFFFu);
    EXPECT_EQ(state.drawing.fontColour, 0xFF0000u);
    EXPECT_EQ(state.drawing.fontStyle, 1);
    EXPECT_EQ(state.drawing.fontName, u"ＭＳ Ｐ明朝"_s);
    EXPECT_EQ(state.drawing.callFontName, u"ＭＳ ゴシック"_s);
    EXPECT_EQ(state.drawing.callSize, 72);
    EXPECT_EQ(state.drawing.alpha, 17);
    // 441: PCheck1, Check2, RecRead, BgCall, BgName; the semi-transparent
    // text area.
    EXPECT_EQ(state.options.placeOutput, 1);
    EXPECT_EQ(state.options.textArea, 2);
    EXPECT_TRUE(state.options.confirmSend && state.options.alwaysLast);
    EXPECT_TRUE(state.options.drawCall && state.options.drawName);
    EXPECT_FALSE(state.options.expertMode);
    EXPECT_EQ(state.options.bits(), 441);
    // No QSO data: the last record is 1.
    EXPECT_FALSE(state.qsoDataOpened);
    EXPECT_EQ(state.firstRecord, 1);
    EXPECT_EQ(state.lastRecord, 1);
    // A configured folder that is missing is not created.
    ini.writeString(u"Config", u"RcvDir", u"/nonexistent/rcv"_s);
    MainState again;
    again.load(ini, AppPaths(box.dir()));
    prepareProgramFolder(again);
    EXPECT_EQ(again.folders.receivedDir, u"/nonexistent/rcv"_s);
    EXPECT_FALSE(QFileInfo(u"/nonexistent"_s).exists());
}

TEST(MainStateStart, AFilledSettingsFileIsReadWithItsRules) {
    Sandbox box;
    writeBytes(box.path(u"a.jpg"_s), "x");
    writeBytes(box.path(u"c.jpg"_s), "x");
    writeBytes(box.path(u"QslMessage.txt"_s), "QSO\x82\xa0\x82\xe8\x82\xaa\x82\xc6\r\n73\r\n");
    writeBytes(box.path(u"rig.dat"_s), "[Count]\r\nMax=12\r\n[No2]\r\nFreq=7\r\nRig=IC-7300\r\n");
    writeBytes(box.path(u"Sendvik.ini"_s),
               "[Config]\r\nPos=10,20,700,800\r\nProgres=3,50,7\r\nRstEdit=CW\r\n"
               "FontColor=255,3\r\nAlpha=26\r\nPCheck=" +
                   QByteArray::number(512 | 8 | 64 | 3) +
                   "\r\nCallXY=5,6,300,210\r\nRigAnt=rig.dat\r\nJpeg=a.jpg\r\n"
                   "[JpFiles]\r\nJP0=a.jpg\r\nJP1=b.jpg\r\nJP2=c.jpg\r\n"
                   "[Potbl]\r\nPo0=Tokyo\r\nPo1=\r\nPo2=Chiba\r\n"
                   "[Option]\r\nCalls=ja1abc\r\n");
    TZkwIni ini(box.path(u"Sendvik.ini"_s));
    MainState state;
    state.load(ini, AppPaths(box.dir()));

    EXPECT_EQ(state.windowPlace, QRect(10, 20, 700, 800));
    EXPECT_EQ(state.rstRule, u"FT8,FT4,JT65=dB;CW=RST"_s);  // under 6 characters
    EXPECT_EQ(state.drawing.fontColour, 255u);
    EXPECT_EQ(state.drawing.fontStyle, 3);
    EXPECT_EQ(state.drawing.alpha, 17);
    EXPECT_EQ(state.drawing.callBox, QPoint(5, 6));
    EXPECT_EQ(state.drawing.nameBox, QPoint(294, 204));
    EXPECT_EQ(state.options.placeOutput, 3);
    EXPECT_EQ(state.options.textArea, 1);  // transparent wins over semi-transparent
    EXPECT_TRUE(state.options.expertMode);
    EXPECT_EQ(state.picturePath, box.path(u"a.jpg"_s));
    // The missing b.jpg closes up.
    EXPECT_EQ(state.pictures.files(), (QStringList{box.path(u"a.jpg"_s), box.path(u"c.jpg"_s)}));
    EXPECT_EQ(state.places, (QStringList{u"Tokyo"_s, u"Chiba"_s}));
    EXPECT_EQ(state.placeText, u"Tokyo"_s);
    EXPECT_EQ(state.ownCall, u"JA1ABC"_s);
    EXPECT_EQ(state.messageText, u"QSOありがと\n73\n"_s);
    ASSERT_EQ(state.rigLines.size(), 12);
    EXPECT_EQ(state.rigLines[1], u"No2,7,IC-7300,,,,,,"_s);

    for (int alpha : {0, 26, -3}) {
        ini.writeInteger(u"Config", u"Alpha", alpha);
        DrawingSettings d;
        d.load(ini);
        EXPECT_EQ(d.alpha, 17) << alpha;
    }
    ini.writeInteger(u"Config", u"Alpha", 25);
    DrawingSettings d;
    d.load(ini);
    EXPECT_EQ(d.alpha, 25);
}

TEST(MainStateStart, PicturesAndDefinitionsWrittenOnWindowsAreFound) {
    Sandbox box;
    QDir().mkpath(box.path(u"Photos"_s));
    writeBytes(box.path(u"Photos/Sea.jpg"_s), "x");
    writeBytes(box.path(u"Card.mQSL"_s), "x");
    writeBytes(box.path(u"Sendvik.ini"_s),
               "[Config]\r\nJpeg=C:\\Zelkov\\photos\\sea.jpg\r\n"
               "[QslDef]\r\nmQSL=C:\\Zelkov\\card.mqsl\r\n");
    TZkwIni ini(box.path(u"Sendvik.ini"_s));
    MainState state;
    state.load(ini, AppPaths(box.dir()));
    EXPECT_EQ(state.picturePath, box.path(u"Photos/Sea.jpg"_s));
    EXPECT_EQ(DefinitionChoice::storedPath(ini, state.programDir), box.path(u"Card.mQSL"_s));
    // Set without the menus, they are on the menus all the same.
    EXPECT_EQ(state.pictures.files(), QStringList{box.path(u"Photos/Sea.jpg"_s)});
    EXPECT_EQ(state.definitions.files(), QStringList{box.path(u"Card.mQSL"_s)});
}

TEST(MainStateClose, AClearedPlaceOrRemarkStaysClearedWithItsHistoryKept) {
    Sandbox box;
    TZkwIni ini(box.path(u"Sendvik.ini"_s));
    MainState state;
    state.load(ini, AppPaths(box.dir()));
    state.places = {u"Tokyo"_s, u"Chiba"_s};
    state.placeText.clear();  // the portable location cleared for home
    state.remarks = {u"TNX"_s};
    state.remarkText = u"73"_s;  // typed, never committed
    state.save(ini);

    MainState again;
    again.load(ini, AppPaths(box.dir()));
    EXPECT_EQ(again.placeText, QString());
    EXPECT_EQ(again.places, (QStringList{QString(), u"Tokyo"_s, u"Chiba"_s}));
    EXPECT_EQ(again.remarkText, u"73"_s);
    EXPECT_EQ(again.remarks, (QStringList{u"73"_s, u"TNX"_s}));
    // Cleared twice: one empty entry, not two.
    again.save(ini);
    MainState third;
    third.load(ini, AppPaths(box.dir()));
    EXPECT_EQ(third.places, (QStringList{QString(), u"Tokyo"_s, u"Chiba"_s}));
}

TEST(MainStateStart, TheRangeCoversAtMost300RecordsUpToTheLast) {
    EXPECT_EQ(MainState::recordRange(1, 5000), std::make_pair(4701, 5000));
    EXPECT_EQ(MainState::recordRange(6000, 5000), std::make_pair(5001, 5000));
    EXPECT_EQ(MainState::recordRange(4800, 5000), std::make_pair(4800, 5000));
    EXPECT_EQ(MainState::recordRange(0, 10), std::make_pair(1, 10));
    EXPECT_EQ(MainState::recordRange(1, 1), std::make_pair(1, 1));
}

TEST(MainStateStart, TheQsoDataIsCountedAndComparedWithTheLoggingProgram) {
    Sandbox box;
    std::vector<QsoRecord> qsos;
    for (int i = 0; i < 320; ++i)
        qsos.push_back(testing_support::qso(u"JA1A%1"_s.arg(i), u"24/03/01"_s, u"12:00"_s));
    testing_support::makeLog(box.path(u"ZELKOV.mst"_s), qsos);
    TZkwIni ini(box.path(u"Sendvik.ini"_s));
    MainState state;
    EXPECT_FALSE(state.load(ini, AppPaths(box.dir())));
    EXPECT_TRUE(state.qsoDataOpened);
    EXPECT_EQ(state.firstRecord, 21);
    EXPECT_EQ(state.lastRecord, 320);

    // QSOs added by another program: the range follows at the next look,
    // once; a log that was missing at start is opened then.
    EXPECT_FALSE(state.noticeLogChange());
    state.firstRecord = 300;
    qsos.clear();
    for (int i = 0; i < 10; ++i)
        qsos.push_back(testing_support::qso(u"JR2B%1"_s.arg(i), u"24/03/02"_s, u"12:00"_s));
    testing_support::makeLog(box.path(u"ZELKOV.mst"_s), qsos);
    EXPECT_TRUE(state.noticeLogChange());
    EXPECT_EQ(state.firstRecord, 300);
    EXPECT_EQ(state.lastRecord, 330);
    EXPECT_FALSE(state.noticeLogChange());
    MainState empty;
    TZkwIni other(box.path(u"other.ini"_s));
    EXPECT_FALSE(empty.load(other, AppPaths(box.dir() + u"/n"_s)));
    EXPECT_FALSE(empty.qsoDataOpened);
    empty.qsoData = box.path(u"ZELKOV.mst"_s);
    EXPECT_TRUE(empty.noticeLogChange());
    EXPECT_TRUE(empty.qsoDataOpened);
    EXPECT_EQ(empty.firstRecord, 31);
    EXPECT_EQ(empty.lastRecord, 330);

    state.linkLastRecord = 319;
    const auto warning = state.load(ini, AppPaths(box.dir()));
    ASSERT_TRUE(warning);
    EXPECT_EQ(*warning,
              u"ZELKOV/Win のQSOデータと一致しません！\r\rZELKOV/Win が使用しているQSOデータを\r"
              u"ファイルメニューから開いてください。"_s);
}

TEST(MainStateClose, WritesTheWindowStateAndNothingAfterTheFullReset) {
    Sandbox box;
    writeBytes(box.path(u"a.jpg"_s), "x");
    TZkwIni ini(box.path(u"Sendvik.ini"_s));
    MainState state;
    state.load(ini, AppPaths(box.dir()));
    state.places = {u"Tokyo"_s, u"Chiba"_s};
    state.placeText = u"Tokyo"_s;
    state.remarks = {u"TNX"_s};
    state.remarkText = u"TNX"_s;
    state.picturePath = box.path(u"a.jpg"_s);
    state.pictures.choose(box.path(u"a.jpg"_s));
    state.windowPlace = QRect(3, 4, 600, 700);
    state.firstRecord = 0;  // an empty range field
    state.options.textArea = 1;
    state.drawing.callBox = QPoint(1, 2);
    state.drawing.nameBox = QPoint(3, 4);
    state.save(ini);

    TZkwIni stored(box.path(u"Sendvik.ini"_s));
    EXPECT_EQ(stored.readString(u"Potbl", u"Po0", {}), u"Tokyo"_s);
    EXPECT_EQ(stored.readString(u"Potbl", u"Po1", {}), u"Chiba"_s);
    EXPECT_EQ(stored.readString(u"Remarks", u"Rm0", {}), u"TNX"_s);
    EXPECT_FALSE(stored.sectionLines(u"Remarks"_s).join(u"|").contains(u"Rm1"));
    EXPECT_EQ(stored.readString(u"Config", u"Jpeg", {}), u"a.jpg"_s);
    EXPECT_EQ(stored.readString(u"JpFiles", u"JP0", {}), u"a.jpg"_s);
    EXPECT_EQ(stored.readString(u"Config", u"Recno1", u"none"_s), u"none"_s);
    EXPECT_EQ(stored.readString(u"Config", u"Pos", {}), u"3,4,600,700"_s);
    EXPECT_EQ(stored.readInteger(u"Config", u"PCheck", 0), (441 & ~8) | 512);
    // The backup's counts are the backup's: the close writes none of its own.
    EXPECT_EQ(stored.readString(u"Config", u"Progres", u"none"_s), u"none"_s);
    EXPECT_EQ(stored.readString(u"Config", u"CallXY", {}), u"1,2,3,4"_s);
    EXPECT_EQ(stored.readString(u"Config", u"RstEdit", {}), u"FT8,FT4,JT65=dB;CW=RST"_s);
    EXPECT_EQ(stored.readInteger(u"Config", u"BakClor", 0), 0xFFFFFF);
    EXPECT_EQ(stored.readInteger(u"Config", u"Alpha", 0), 17);

    // Maximised or after the window reset: the place is left alone.
    state.windowPlace = QRect(9, 9, 999, 999);
    state.maximised = true;
    state.save(ini);
    EXPECT_EQ(ini.readString(u"Config", u"Pos", {}), u"3,4,600,700"_s);
    state.maximised = false;
    state.resets.windowPlaces = true;
    state.save(ini);
    EXPECT_EQ(ini.readString(u"Config", u"Pos", {}), u"3,4,600,700"_s);

    const QByteArray before = readBytes(box.path(u"Sendvik.ini"_s));
    state.resets.allButMail = true;
    state.places = {u"Osaka"_s};
    state.save(ini);
    EXPECT_EQ(readBytes(box.path(u"Sendvik.ini"_s)), before);
}

TEST(MainStateClose, EachResetErasesExactlyItsSections) {
    const QStringList all = {u"Config"_s,   u"Kankyo"_s,  u"Option"_s, u"JpFiles"_s,
                             u"Potbl"_s,    u"Remarks"_s, u"QslDef"_s, u"mQslFiles"_s,
                             u"CallFont"_s, u"Confirm"_s, u"Other"_s};
    auto filled = [&](TZkwIni& ini) {
        for (const QString& s : all)
            ini.writeString(s, u"K", u"v"_s);
        for (const char16_t* key : {u"Pos", u"ViewPos", u"SentWin", u"ShWin", u"QslPos", u"RigWin",
                                    u"ConfPos", u"QslDef", u"RcvDir"})
            ini.writeString(u"Config", key, u"1"_s);
    };
    Sandbox box;
    {
        TZkwIni ini(box.path(u"a.ini"_s));
        filled(ini);
        applyResets(ini, {.allButMail = true});
        EXPECT_EQ(ini.sectionNames(), (QStringList{u"Option"_s, u"Other"_s}));
    }
    {
        TZkwIni ini(box.path(u"b.ini"_s));
        filled(ini);
        applyResets(ini, {.windowPlaces = true});
        EXPECT_EQ(ini.sectionNames().size(), all.size());
        EXPECT_EQ(ini.sectionLines(u"Config"_s), (QStringList{u"K=v"_s, u"RcvDir=1"_s}));
    }
    {
        TZkwIni ini(box.path(u"c.ini"_s));
        filled(ini);
        applyResets(ini, {.environment = true});
        EXPECT_FALSE(ini.hasSection(u"Kankyo"));
        EXPECT_EQ(ini.sectionNames().size(), all.size() - 1);
    }
}

TEST(RecentFiles, ChosenFirstCaseInsensitiveAndCutToTheLimit) {
    RecentFiles pictures(30);
    for (int i = 0; i < 35; ++i)
        pictures.choose(u"/p/pic%1.jpg"_s.arg(i));
    ASSERT_EQ(pictures.files().size(), 30);
    EXPECT_EQ(pictures.files().front(), u"/p/pic34.jpg"_s);
    pictures.choose(u"/P/PIC20.JPG"_s);
    EXPECT_EQ(pictures.files().front(), u"/P/PIC20.JPG"_s);
    EXPECT_EQ(pictures.files().size(), 30);
    EXPECT_EQ(pictures.files().filter(u"pic20"_s, Qt::CaseInsensitive).size(), 1);

    const QStringList captions = pictures.captions();
    EXPECT_EQ(captions[0], u"(&0) /P/PIC20.JPG"_s);
    EXPECT_EQ(captions[10].left(5), u"(&A) "_s);
    EXPECT_EQ(captions[29].left(5), u"(&T) "_s);

    RecentFiles definitions(32);
    definitions.choose(u"a"_s);  // a caption under 7 characters is hidden
    definitions.choose(u"/d/long.mQsl"_s);
    EXPECT_EQ(definitions.captions(), (QStringList{u"(&0) /d/long.mQsl"_s, QString()}));
    for (int i = 0; i < 40; ++i)
        definitions.choose(u"/d/def%1.mQsl"_s.arg(i));
    EXPECT_EQ(definitions.files().size(), 32);
}

TEST(RecentFiles, SavedRenumberedOverTheShownItemsOnly) {
    Sandbox box;
    writeBytes(box.path(u"one.jpg"_s), "x");
    writeBytes(box.path(u"two.jpg"_s), "x");
    TZkwIni ini(box.path(u"Sendvik.ini"_s));
    for (int n = 0; n < 30; ++n)
        ini.writeString(u"JpFiles", u"JP%1"_s.arg(n), u"old"_s);
    RecentFiles pictures(30);
    pictures.choose(box.path(u"two.jpg"_s));
    pictures.choose(u"x"_s);
    pictures.choose(box.path(u"one.jpg"_s));
    pictures.save(ini, u"JpFiles", u"JP", box.dir());
    EXPECT_EQ(ini.sectionLines(u"JpFiles"_s), (QStringList{u"JP0=one.jpg"_s, u"JP1=two.jpg"_s}));
    RecentFiles again(30);
    again.load(ini, u"JpFiles", u"JP", box.dir());
    EXPECT_EQ(again.files(), (QStringList{box.path(u"one.jpg"_s), box.path(u"two.jpg"_s)}));
}

TEST(Histories, TextGoesToTheTopOnceAndTwentyAreSaved) {
    QStringList list = {u"A"_s, u"B"_s, u"A"_s, u"C"_s};
    commitHistory(list, u"A"_s);
    EXPECT_EQ(list, (QStringList{u"A"_s, u"B"_s, u"C"_s}));
    commitHistory(list, u"C"_s);
    EXPECT_EQ(list, (QStringList{u"C"_s, u"A"_s, u"B"_s}));
    commitHistory(list, QString());
    EXPECT_EQ(list.size(), 3);

    Sandbox box;
    TZkwIni ini(box.path(u"h.ini"_s));
    ini.writeString(u"Potbl", u"Po5", u"stale"_s);
    QStringList many;
    for (int i = 0; i < 25; ++i)
        many.append(u"P%1"_s.arg(i));
    many[3].clear();
    saveHistory(ini, u"Potbl", u"Po", many);
    EXPECT_EQ(ini.readString(u"Potbl", u"Po19", {}), u"P19"_s);
    EXPECT_EQ(ini.readString(u"Potbl", u"Po20", u"-"_s), u"-"_s);
    EXPECT_EQ(ini.readString(u"Potbl", u"Po3", u"-"_s), u"-"_s);
    EXPECT_EQ(loadHistory(ini, u"Potbl", u"Po").size(), 19);
    saveHistory(ini, u"Potbl", u"Po", {});
    EXPECT_EQ(ini.sectionLines(u"Potbl"_s), QStringList{u"Po0="_s});
}

TEST(StartupChecks, LibrariesUserListFoldersAndTimeZone) {
    EXPECT_FALSE(libraryVersionMessage(344836, 404));
    EXPECT_EQ(*libraryVersionMessage(344835, 404), u"ZELKOV50.DLL が古いです！"_s);
    EXPECT_EQ(*libraryVersionMessage(344836, 403), u"nMail.DLL が古いです！"_s);
    EXPECT_EQ(*libraryVersionMessage(1, 1), u"nMail.DLL が古いです！"_s);

    EXPECT_FALSE(userListAgeMessage(u"2024/03/01"_s, QDate(2024, 4, 1)));  // 30 "days"
    ASSERT_TRUE(userListAgeMessage(u"2024/03/01"_s, QDate(2024, 4, 2)));
    EXPECT_EQ(*userListAgeMessage(u"2024/03/01"_s, QDate(2024, 4, 2)),
              u"2024/03/01版\r\rZELKOVユーザーリストが古くなってきましたので、最新版を使用して"
              u"ください。"_s);
    EXPECT_TRUE(userListAgeMessage(u"第2023/12/01"_s, QDate(2024, 3, 1)));
    EXPECT_FALSE(userListAgeMessage(QString(), QDate(2024, 3, 1)));

    EXPECT_FALSE(sameFoldersMessage(u"/q/受信"_s, u"/q/送信"_s));
    EXPECT_EQ(*sameFoldersMessage(u"/q/QSL"_s, u"/Q/qsl"_s),
              u"[受信]フォルダと[送信]フォルダが同じです！\r\rファイルメニューで別のフォルダを"
              u"設定してください。\r\r/q/QSL"_s);

    const QDateTime winter(QDate(2024, 1, 15), QTime(12, 0));
    EXPECT_FALSE(timeZoneMessage(QTimeZone("Asia/Tokyo"), winter));
    const auto london = timeZoneMessage(QTimeZone("Europe/London"), winter);
    ASSERT_TRUE(london);
    EXPECT_TRUE(london->startsWith(u"タイムゾーン＝（UTC＋0時間）"_s)) << london->toStdString();
    EXPECT_TRUE(london->endsWith(u"\r\rJSTとUTCが９時間差になっていません！"_s));
    EXPECT_TRUE(timeZoneMessage(QTimeZone("America/New_York"), winter)
                    ->startsWith(u"タイムゾーン＝（UTC－5時間）"_s));
    EXPECT_FALSE(timeZoneMessage(QTimeZone(), winter));

    EXPECT_TRUE(skipsTimeZoneCheck({u"-t"_s}));
    EXPECT_FALSE(skipsTimeZoneCheck({u"x"_s, u"-T"_s}));
    EXPECT_FALSE(skipsTimeZoneCheck({}));
}

TEST(StartupChecks, CommunicationSettingsNeedCallPasswordsAndServers) {
    Sandbox box;
    TZkwIni ini(box.path(u"o.ini"_s));
    const auto incomplete = [&ini] {
        CommSettings stored;
        stored.load(ini);
        return communicationSettingsIncomplete(stored);
    };
    EXPECT_TRUE(incomplete());
    ini.writeString(u"Option", u"Calls", u"JA1ABC"_s);
    ini.writeWords(u"Option", u"Pass2", u"novq"_s);
    ini.writeString(u"Option", u"MailAdd", u"ja1abc@example.jp"_s);
    ini.writeWords(u"Option", u"Pass1", u"secret"_s);
    ini.writeString(u"Option", u"SmtpName", u"smtp.example.jp"_s);
    EXPECT_TRUE(incomplete());
    ini.writeString(u"Option", u"Pop3Name", u"pop.example.jp"_s);
    EXPECT_FALSE(incomplete());
    ini.writeString(u"Option", u"SmtpPort", u" "_s);
    EXPECT_TRUE(incomplete());
}

// The checks once the window is shown come in their order, the
// communication settings as the window to open; "-T" leaves out the clock.
TEST(StartupChecks, OnceShownInTheirOrder) {
    MainState state;
    state.qsoData = u"/nonexistent/ZELKOV.mst"_s;
    state.userEdition = u"2024/03/01"_s;
    state.folders.receivedDir = u"/q/QSL"_s;
    state.folders.sentDir = u"/q/qsl"_s;
    EnvironmentSettings environment;
    CommSettings communication;  // incomplete
    const QDateTime spring(QDate(2024, 5, 1), QTime(12, 0));
    std::vector<ShownCheck> checks =
        checksOnceShown(state, environment, communication, spring, QTimeZone("Europe/London"));
    ASSERT_EQ(checks.size(), 4u);
    EXPECT_TRUE(checks[0].text.endsWith(u"最新版を使用してください。"_s));
    EXPECT_EQ(checks[0].icon, mb::IconInformation);
    EXPECT_TRUE(checks[1].text.startsWith(u"[受信]フォルダと[送信]フォルダが同じです！"_s));
    EXPECT_TRUE(checks[2].text.isEmpty());  // the communication settings open
    EXPECT_TRUE(checks[3].text.startsWith(u"タイムゾーン"_s));
    state.skipTimeZoneCheck = true;
    state.folders.sentDir = u"/q/送信"_s;
    checks = checksOnceShown(state, environment, communication, spring, QTimeZone("Europe/London"));
    ASSERT_EQ(checks.size(), 2u);
    EXPECT_TRUE(checks[1].text.isEmpty());
}

TEST(UserListChoice, TheIndexIsMadeHereAndTheOwnCallMustBeListed) {
    Sandbox box;
    const QString usr = box.path(u"UserList.usr"_s);
    writeBytes(usr, "2024/02/01\r\nJA1ABC\r\nJH1XYZ\r\n");
    // No logging program here opens the list: its index is made on the spot.
    const UserListChoice found = chooseUserList(usr, u"JA1ABC"_s);
    EXPECT_TRUE(found.warning.isEmpty());
    EXPECT_FALSE(found.memoryOnly);
    EXPECT_EQ(found.path, usr);
    EXPECT_EQ(found.edition, u"2024/02/01"_s);
    EXPECT_TRUE(QFileInfo::exists(userListIndexPath(usr)));
    EXPECT_EQ(openUserListAtStart(usr), u"2024/02/01"_s);

    // No own call: where to set it.
    EXPECT_TRUE(chooseUserList(usr, QString())
                    .warning.startsWith(u"自局のコールサインが設定されていません！\r\r"
                                        u"ツールバーの「E-Mail QSL 通信設定」"_s));
    const UserListChoice stranger = chooseUserList(usr, u"JR9QQQ"_s);
    EXPECT_EQ(stranger.warning, u"JR9QQQ <== ZELKOVユーザーリスト未登録です！"_s);
    EXPECT_TRUE(stranger.path.isEmpty());

    // A list copied over its index (a new edition) is indexed again at start.
    ASSERT_TRUE(BuildUserListIndex(usr));
    QThread::msleep(20);
    writeBytes(usr, "2024/03/01\r\nJA1ABC\r\nJA1NEW\r\n");
    EXPECT_EQ(openUserListAtStart(usr), u"2024/03/01"_s);
    UserHandle users;
    ASSERT_EQ(User_open(0, 0, users, usr), 0);
    EXPECT_EQ(users.status, 0);
    EXPECT_GT(User_Seek(users, u"JA1NEW"_s), 0);
    User_close(users);

    // An index that cannot be made here: kept for the run, with the warning.
    QFile::remove(userListIndexPath(usr));
    QDir().mkpath(userListIndexPath(usr));
    const UserListChoice stuck = chooseUserList(usr, u"JA1ABC"_s);
    EXPECT_EQ(stuck.warning, u"一度、ZELKOV/Win でユーザーリストを開いてください。"_s);
    EXPECT_TRUE(stuck.edition.isEmpty());
}

TEST(MessageText, ReadAsUserTextWrittenAsCp932AndDeletedWhenEmpty) {
    Sandbox box;
    const QString path = box.path(u"QslMessage.txt"_s);
    ASSERT_TRUE(writeMessageText(path, u"TNX QSO\nまた宜しく"_s));
    EXPECT_EQ(readBytes(path), QByteArray("TNX QSO\r\n\x82\xdc\x82\xbd\x8b\x58\x82\xb5\x82\xad"));
    EXPECT_EQ(readMessageText(path), u"TNX QSO\nまた宜しく"_s);
    writeBytes(path, "\xef\xbb\xbfUTF-8 \xe3\x81\x82");
    EXPECT_EQ(readMessageText(path), u"UTF-8 あ"_s);
    ASSERT_TRUE(writeMessageText(path, QString()));
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(writeMessageText(path, QString()));
}

TEST(MainStateStart, ResizeItemsFollowThePictureSize) {
    using A = std::array<bool, 3>;
    EXPECT_EQ(MainState::resizeItemsEnabled({1024, 652}), (A{true, true, true}));
    EXPECT_EQ(MainState::resizeItemsEnabled({800, 510}), (A{false, true, true}));
    EXPECT_EQ(MainState::resizeItemsEnabled({640, 408}), (A{false, false, true}));
    EXPECT_EQ(MainState::resizeItemsEnabled({528, 336}), (A{false, false, false}));
    EXPECT_EQ(MainState::resizeItemsEnabled({500, 600}), (A{true, true, true}));
}

TEST(OptionSwitches, BitsRoundTrip) {
    for (int bits : {0, 441, 0x3FF & ~8, 7 & 4, 64 | 8, 511}) {
        const OptionSwitches o = OptionSwitches::fromBits(bits);
        EXPECT_EQ(OptionSwitches::fromBits(o.bits()).bits(), o.bits()) << bits;
    }
    EXPECT_EQ(OptionSwitches::fromBits(512 | 8).bits(), 512);
    EXPECT_EQ(OptionSwitches::fromBits(7).placeOutput, 4);
}

}  // namespace
