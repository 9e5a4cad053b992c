#include "render/qsl_definition.h"
#include "core/msg_box.h"
#include "golden.h"
#include "logdata/qso_record.h"
#include "render/definition_operands.h"
#include "render/jpeg_io.h"
#include "render/qr_module.h"
#include "test_support.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

using testing_support::dataFile;
using testing_support::Sandbox;
using testing_support::writeBytes;

namespace {

// One definition run on a QSO, with the messages it showed.
struct DefRun {
    Sandbox box;
    QsoRecord qso;
    QrModule* qr = nullptr;
    std::unique_ptr<QslDefinition> def;
    int result = 0;

    DefRun() {
        qso.recno = 7;
        qso.call = u"JA1ABC"_s;
        qso.date = u"24/03/15"_s;
        qso.time = u"12:34"_s;
        qso.zone = u'J';
        qso.freq = u"7.024"_s;
        qso.mode = u"CW"_s;
        qso.hisRst = u"599"_s;
        qso.name = u"Taro"_s;
        qso.remarks1 = u"%Tokyo%"_s;
        qso.key = lookupKeyOf(qso.call);
    }
    int run(const QStringList& lines, bool cardMode = true) {
        if (!def) def = std::make_unique<QslDefinition>(qr);
        def->SetQsoDataRefs(&qso);
        def->context.definitionFile = box.path(u"card.mQSL"_s);
        def->context.programDir = box.dir();
        def->context.tempDir = box.dir();
        def->lines = lines;
        box.messages.clear();
        result = def->RunDefinition(cardMode);
        return result;
    }
    qint32 u() const { return def->integerVariables()[0]; }
    QString a() const { return def->stringVariables()[0]; }
    QStringList texts() const {
        QStringList out;
        for (const MessageRequest& m : box.messages.messages())
            out.append(m.text);
        return out;
    }
};

// The leftmost and rightmost columns with dark pixels in a band of rows.
std::pair<int, int> inkColumns(const QImage& image, int top, int bottom) {
    int left = image.width(), right = -1;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return {left, right};
}

// The number of separate runs of rows with ink.
int inkLines(const QImage& image) {
    int lines = 0;
    bool inLine = false;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x)
            ink = qGray(image.pixel(x, y)) < 128;
        if (ink && !inLine) ++lines;
        inLine = ink;
    }
    return lines;
}

TEST(DefinitionOperands, SplittingAndNumbers) {
    EXPECT_EQ(splitOperands(u"Print 10, 20, \"a, \"\"b\"\"\""),
              (QStringList{u"Print 10"_s, u"20"_s, u"a, \"b\""_s}));
    EXPECT_EQ(splitOperands(u"Line 1,2,,4"), (QStringList{u"Line 1"_s, u"2"_s, u""_s, u"4"_s}));
    EXPECT_EQ(normalizedLine(u"#  Print\t10,20,\"x\" comment"_s), u"#Print 10,20,\"x\""_s);

    IntegerVariables v{};
    v[0] = 7;  // $$U
    EXPECT_EQ(EvalNumber(u"$$U", v), 7);
    EXPECT_EQ(EvalNumber(u"-$$U", v), -7);
    EXPECT_EQ(EvalNumber(u"$$U+10", v), 17);
    EXPECT_EQ(EvalNumber(u"$$U-5", v), 2);
    EXPECT_EQ(EvalNumber(u"10+$$U", v), 17);
    EXPECT_EQ(EvalNumber(u"Print 25", v), 25);
    EXPECT_EQ(EvalNumber(u"0x0000FF", v), 255);
    EXPECT_EQ(EvalNumber(u"none", v), 268435455);
    EXPECT_EQ(rgbOfColour(0x0000FF), 0xFF0000u);
}

TEST(Definition, SizeLimitsAndTheBackground) {
    DefRun r;
    EXPECT_EQ(r.run({u"#Size 640, 408"_s}), 0);
    EXPECT_EQ(r.def->card().size(), QSize(640, 408));
    EXPECT_EQ(r.run({u"#Size 1024, 652, 0x0000FF"_s}), 0);
    EXPECT_EQ(r.def->card().size(), QSize(1024, 652));
    EXPECT_EQ(r.def->card().pixel(5, 5), qRgb(255, 0, 0));
    // Sides whose sum overflows a number are no size either.
    for (const QString& bad : {u"#Size 400,400"_s, u"#Size 1024,653"_s, u"#Size 440, 2147483647"_s,
                               u"#Size 2147483647, 2147483647"_s}) {
        EXPECT_EQ(r.run({bad, u"#Mov $$U=1"_s}), -1) << bad.toStdString();
        EXPECT_EQ(r.texts(), QStringList{bad + u"\r　↑この命令は使えません！（1行目）\r\r"
                                               u"（幅＋高さは864～1676ドットまで）"_s});
        EXPECT_EQ(r.u(), 0);
    }
    EXPECT_EQ(r.run({u"#Size 1024"_s}), -1);
    EXPECT_EQ(r.texts().value(0),
              u"#Size 1024\r　↑QSL定義命令エラー（1行目）\r\rパラメータ不足、又は"
              u"カンマがありません！"_s);
}

TEST(Definition, PrintVariantsPlaceTheirText) {
    DefRun r;
    r.run({u"#Size 640,408"_s, u"#FontName=\"ＭＳ ゴシック\""_s, u"#FontSize=20"_s,
           u"#FontColor=0"_s, u"#Print 10, 10, \"AAA\""_s, u"#Print -1000, 60, \"BBB\""_s,
           u"#Print -999, 110, \"CCC\""_s, u"#PrintR 600, 160, \"RRR\""_s,
           u"#PrintC 100, 210, 400, \"CC\""_s});
    ASSERT_EQ(r.result, 0);
    const QImage& card = r.def->card();
    const auto first = inkColumns(card, 10, 50);
    const auto second = inkColumns(card, 60, 100);
    // Directly after the first text, not at -1000.
    EXPECT_GE(second.first, first.second);
    EXPECT_LE(second.first, first.second + 12);
    EXPECT_EQ(inkColumns(card, 110, 150).second, -1);  // drawn at -999: off the card
    const auto right = inkColumns(card, 160, 200);
    EXPECT_LE(right.second, 600);
    EXPECT_GE(right.second, 590);
    const auto centred = inkColumns(card, 210, 250);
    EXPECT_NEAR((centred.first + centred.second) / 2.0, 300, 4);
}

TEST(Definition, PrintAWrapsAtBreaksAndWidthWithoutSplittingCharacters) {
    DefRun r;
    r.run({u"#Size 640,408"_s, u"#FontName=\"ＭＳ ゴシック\""_s, u"#FontSize=12"_s,
           u"#PrintA 10, 10, 2, \"一行目<BR>二行目\""_s});
    EXPECT_EQ(inkLines(r.def->card()), 2);
    // 336 wide at the start of a run, less the x of each #PrintA.
    r.run(
        {u"#FontName=\"ＭＳ ゴシック\""_s, u"#FontSize=12"_s,
         u"#PrintA 16, 10, 2, \"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめも\""_s});
    const QImage& card = r.def->card();
    EXPECT_GE(inkLines(card), 2);
    EXPECT_LE(inkColumns(card, 0, card.height()).second, 336);
    // Nothing fits: still ends, one character a line.
    r.run({u"#Size 1000,600"_s, u"#PrintA 985, 10, 0, \"口口口\""_s});
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(inkLines(r.def->card()), 3);
    // The same with characters outside the Basic Multilingual Plane (names
    // and QTHs from UTF-8 logs): whole characters, one a line, and an end.
    r.run({u"#Size 1000,600"_s, u"#FontSize=40"_s, u"#PrintA 900, 10, 0, \"𠮷😀𠮷\""_s});
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(inkLines(r.def->card()), 3);
}

TEST(Definition, ConditionsSkipLinesAndBlocks) {
    DefRun r;
    r.qso.qslRcvd = u' ';
    r.run({u"?Rcv"_s, u"#Mov $$U=1"_s, u"#Mov $$V=2"_s});
    EXPECT_EQ(r.u(), 0);
    EXPECT_EQ(r.def->integerVariables()[1], 2);
    r.run({u"?Rcv"_s, u"#Mov $$U=1"_s, u"#Mov $$V=2"_s, u"?End"_s, u"#Mov $$W=3"_s});
    EXPECT_EQ(r.u(), 0);
    EXPECT_EQ(r.def->integerVariables()[1], 0);
    EXPECT_EQ(r.def->integerVariables()[2], 3);
    r.run({u"?Rcv!"_s, u"#Mov $$U=1"_s});  // inverted
    EXPECT_EQ(r.u(), 1);
    // A group: both must hold.
    r.run({u"?Name"_s, u"?Rcv"_s, u"#Mov $$U=1"_s, u"#Mov $$V=2"_s});
    EXPECT_EQ(r.u(), 0);
    r.qso.qslRcvd = u'E';
    r.run({u"?Name"_s, u"?Rcv"_s, u"#Mov $$U=1"_s});
    EXPECT_EQ(r.u(), 1);
    // A false condition on the last line ends the file.
    EXPECT_EQ(r.run({u"#Mov $$U=4"_s, u"?DXST"_s}), 0);
    EXPECT_EQ(r.u(), 4);
    r.run({u"?RmStr \"Tokyo\""_s, u"#Mov $$U=5"_s, u"?Freq 3"_s, u"#Mov $$V=6"_s, u"?Qsl3 \"E\""_s,
           u"#Mov $$W=7"_s});
    EXPECT_EQ(r.u(), 5);
    EXPECT_EQ(r.def->integerVariables()[1], 6);  // 7 MHz is band index 2
    EXPECT_EQ(r.def->integerVariables()[2], 7);
    r.run({u"?Data15 \"x\""_s, u"#Mov $$U=8"_s, u"?Data1 \"\""_s, u"#Mov $$V=9"_s,
           u"?nData1 \"JH1,JA1\""_s, u"#Mov $$W=1"_s});
    EXPECT_EQ(r.texts(), QStringList{u"?Data1～?Data14が指定可能"_s});
    EXPECT_EQ(r.u(), 8);
    EXPECT_EQ(r.def->integerVariables()[1], 0);
    EXPECT_EQ(r.def->integerVariables()[2], 1);
    EXPECT_EQ(r.run({u"?Weather"_s}), -1);
    EXPECT_EQ(r.texts(), QStringList{u"?Weather\r　↑この命令は使えません！（1行目）"_s});
}

TEST(Definition, JumpsLoopsAndTheirLimits) {
    DefRun r;
    r.run({u"#Goto *5"_s, u"#Mov $$U=1"_s, u"*50"_s, u"#Mov $$V=1"_s, u"*5"_s, u"#Mov $$W=1"_s});
    EXPECT_EQ(r.u(), 0);
    EXPECT_EQ(r.def->integerVariables()[1], 1);  // *50 comes first
    r.run({u"#Mov $$U=1"_s, u"#Mov $$U=2"_s, u"#Goto 1"_s, u"#Mov $$V=3"_s});
    EXPECT_EQ(r.texts(), QStringList{u"ジャンプできません！"_s});
    EXPECT_EQ(r.def->integerVariables()[1], 3);
    r.run({u"#Goto 3"_s, u"#Mov $$U=9"_s, u"#Mov $$V=4"_s});
    EXPECT_EQ(r.u(), 0);
    EXPECT_EQ(r.def->integerVariables()[1], 4);

    r.run({u"#Mov $$U=3"_s, u"#DoLoop"_s, u"#Mov $$V=$$V+1"_s, u"#Mov $$U=$$U-1"_s,
           u"#EndLoop $$U"_s});
    EXPECT_EQ(r.def->integerVariables()[1], 3);
    EXPECT_EQ(r.run({u"#Mov $$U=1"_s, u"#DoLoop"_s, u"#Mov $$V=$$V+1"_s, u"#EndLoop $$U"_s}), -1);
    EXPECT_EQ(r.texts(), QStringList{u"ループが1,000回を超えました。"_s});
    EXPECT_EQ(r.def->integerVariables()[1], 1001);
    EXPECT_EQ(r.def->errorLine(), 4);
}

TEST(Definition, VariablesSubstrAndMark) {
    DefRun r;
    r.run({u"#Substr $$A, 3, 4, \"ＡＢＣＤ\""_s, u"#Mov $$B=\"!$$A-!Ca\""_s, u"#Mov $$U=$$V+5"_s,
           u"#Mov $$C=$$U"_s, u"#Mark=\"\""_s});
    EXPECT_EQ(r.a(), u"ＢＣ"_s);
    r.def->context.ownCall = u"JS2IIU"_s;
    r.run({u"#Substr $$A, 3, 4, \"ＡＢＣＤ\""_s, u"#Mov $$B=\"!$$A-!Ca\""_s, u"#Mov $$U=$$V+5"_s,
           u"#Mov $$C=$$U"_s, u"#Mark=\"\""_s});
    EXPECT_EQ(r.def->stringVariables()[1], u"ＢＣ-JS2IIU"_s);
    EXPECT_EQ(r.def->stringVariables()[2], u"5"_s);
    EXPECT_EQ(r.def->sentMark(), QString(QChar(0x1F)));
    r.run({u"#Mark=\"ABCDEFGH\""_s});
    EXPECT_EQ(r.def->sentMark(), u"ABCDEF"_s);
    EXPECT_EQ(r.run({u"#Substr $$Z, 1, 2, \"x\""_s}), -1);
    EXPECT_EQ(r.run({u"#FontColor="_s}), -1);
    EXPECT_TRUE(r.texts().value(0).startsWith(u"#FontColor=\r　↑QSL定義命令エラー（1行目）"_s));
    EXPECT_EQ(r.run({u"#Fontz=1"_s}), -1);
    EXPECT_EQ(r.run({u"#Draw 1,2"_s}), -1);
    EXPECT_EQ(r.texts(), QStringList{u"#Draw 1,2\r　↑この命令は使えません！（1行目）"_s});
    // The log's own codes and the program's.
    r.run({u"#Mov $$A=\"!NA !Bt !Vr\""_s});
    EXPECT_EQ(r.a(), u"Taro 40m Ver5.12"_s);
}

TEST(Definition, LoadRunsOneLevelAndReturns) {
    DefRun r;
    writeBytes(r.box.path(u"inner.mQSL"_s),
               "#Mov $$U=$$U+1\r\n#Load \"inner.mQSL\"\r\n#Exit\r\n#Mov $$U=100\r\n");
    r.run({u"#Load \"inner.mQSL\""_s, u"#Mov $$V=$$U"_s});
    EXPECT_EQ(r.u(), 1);
    EXPECT_EQ(r.def->integerVariables()[1], 1);
    // A file named as on Windows.
    QDir().mkpath(r.box.path(u"Parts"_s));
    writeBytes(r.box.path(u"Parts/Inner.mQSL"_s), "#Mov $$U=7\r\n");
    r.run({u"#Load \"C:\\Zelkov\\parts\\inner.mqsl\""_s});
    EXPECT_EQ(r.u(), 7);
    EXPECT_EQ(r.run({u"#Load \"gone.mQSL\""_s}), -1);
    EXPECT_EQ(r.texts(), QStringList{u"gone.mQSL\r　↑ファイルが見つかりません！（1行目）"_s});
    // An error in a loaded file ends it; the parent goes on.
    writeBytes(r.box.path(u"bad.mQSL"_s), "#Bogus\r\n");
    r.run({u"#Load \"bad.mQSL\""_s, u"#Mov $$U=2"_s});
    EXPECT_EQ(r.u(), 2);
}

TEST(Definition, PicturesArePlacedAndScaled) {
    DefRun r;
    QFile::copy(dataFile(u"jpeg/tower_baseline.jpg"_s), r.box.path(u"tower.jpg"_s));
    r.run({u"#Size 640,408,0"_s, u"#Jpg 0,0,0,0,\"tower.jpg\""_s});
    EXPECT_EQ(r.result, 0);
    EXPECT_NE(r.def->card().pixel(500, 300), qRgb(0, 0, 0));  // 512 wide at its own size
    EXPECT_EQ(r.def->card().pixel(600, 300), qRgb(0, 0, 0));
    r.run({u"#Size 640,408,0"_s, u"#Jpg 10,10,320,0,\"tower.jpg\""_s});
    EXPECT_NE(r.def->card().pixel(300, 300), qRgb(0, 0, 0));
    EXPECT_EQ(r.def->card().pixel(340, 200), qRgb(0, 0, 0));  // 320 x 320 from 10, 10
    EXPECT_EQ(r.def->card().pixel(200, 340), qRgb(0, 0, 0));
    // Written on Windows: backslashes, a drive, another case.
    QDir().mkpath(r.box.path(u"Pictures"_s));
    QFile::copy(dataFile(u"jpeg/tower_baseline.jpg"_s), r.box.path(u"Pictures/Tower.JPG"_s));
    for (const QString& name : {u"pictures\\tower.jpg"_s, u"C:\\Zelkov\\Pictures\\Tower.jpg"_s}) {
        r.run({u"#Size 640,408,0"_s, u"#Jpg 10,10,320,0,\""_s + name + u'"'});
        EXPECT_EQ(r.result, 0) << name.toStdString();
        EXPECT_NE(r.def->card().pixel(300, 300), qRgb(0, 0, 0));
    }
    EXPECT_EQ(r.run({u"#Jpg 0,0,0,0,\"missing.jpg\""_s}), -1);
    EXPECT_EQ(r.texts(), QStringList{r.box.path(u"missing.jpg"_s) +
                                     u"\r　↑ファイルが見つかりません！（1行目）"_s});
    // There, but no picture: said so, with the reason.
    testing_support::writeBytes(r.box.path(u"text.jpg"_s), "not a picture at all");
    EXPECT_EQ(r.run({u"#Jpg 0,0,0,0,\"text.jpg\""_s}), -1);
    EXPECT_EQ(r.texts(),
              QStringList{r.box.path(u"text.jpg"_s) + u"\r　↑画像を読めません！（1行目）\r\r"
                                                      u"（JPEGファイルではありません）"_s});
}

// A JPEG whose frame header claims another size (the data stays small).
QByteArray jpegClaiming(const QByteArray& real, int width, int height) {
    QByteArray bytes = real;
    // Walk the segments to the frame header (SOF0 ... SOF15 but DHT, JPG, DAC).
    for (qsizetype i = 2; i + 9 < bytes.size() && uchar(bytes[i]) == 0xFF;) {
        const uchar marker = uchar(bytes[i + 1]);
        if ((marker & 0xF0) == 0xC0 && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            bytes[i + 5] = char(height >> 8), bytes[i + 6] = char(height & 0xFF);
            bytes[i + 7] = char(width >> 8), bytes[i + 8] = char(width & 0xFF);
            break;
        }
        i += 2 + (uchar(bytes[i + 2]) << 8 | uchar(bytes[i + 3]));
    }
    return bytes;
}

TEST(Definition, NoSizeOrPositionCanExhaustTheMachine) {
    DefRun r;
    QFile::copy(dataFile(u"jpeg/tower_baseline.jpg"_s), r.box.path(u"tower.jpg"_s));
    const QString tail =
        u"\r\r数値が大きすぎます！（位置と大きさは±16384まで、画像は4096×4096ドットまで）"_s;
    // Stretches the scaler could not survive, or that would take gigabytes.
    for (const QString& line :
         {u"#Jpg 0,0,60000,60000,\"tower.jpg\""_s, u"#Jpg 0,0,40000,0,\"tower.jpg\""_s,
          u"#Jpg 0,0,0,5000,\"tower.jpg\""_s, u"#Bmp 0,0,4097,10,\"tower.jpg\""_s,
          u"#Ellipse 0,0,2000000000"_s, u"#FillBox 0,0,99999999,10,0"_s, u"#Line 0,0,30000,0"_s,
          u"#LineS 100000,0,0"_s, u"#Print 1,70000,\"x\""_s, u"#PrintA 10,10,99999,\"x\""_s,
          u"#Alpha 0,0,50000,50000"_s, u"#Text 0,0,90000"_s}) {
        EXPECT_EQ(r.run({u"#Size 640,408"_s, line, u"#Mov $$U=1"_s}), -1) << line.toStdString();
        EXPECT_EQ(r.texts(), QStringList{line + u"\r　↑QSL定義命令エラー（2行目）"_s + tail})
            << line.toStdString();
        EXPECT_EQ(r.u(), 0);
    }
    // The largest stretch allowed is drawn.
    EXPECT_EQ(r.run({u"#Size 640,408"_s, u"#Jpg -2000,-2000,4096,4096,\"tower.jpg\""_s}), 0);

    // A picture drawn at its own size is read whole: a huge one is refused
    // before it is read; scaled down, it is read at the scale drawn.
    writeBytes(r.box.path(u"huge.jpg"_s),
               jpegClaiming(testing_support::readBytes(r.box.path(u"tower.jpg"_s)), 8000, 6000));
    EXPECT_EQ(r.run({u"#Size 640,408"_s, u"#Jpg 0,0,0,0,\"huge.jpg\""_s}), -1);
    EXPECT_EQ(r.texts().value(0),
              u"Jpg 0,0,0,0,\"huge.jpg\"\r　↑QSL定義命令エラー（2行目）"_s.prepend(u'#') + tail);

    // Small definitions that would draw for minutes (big pictures in a
    // loop) end at the card's time budget, naming the line they were at.
    r.def->drawingBudgetMs = 300;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(r.run({u"#Size 640,408"_s, u"#Mov $$V=1000"_s, u"#DoLoop"_s,
                     u"#Jpg 0,0,4096,0,\"tower.jpg\""_s, u"#Jpg 0,0,4096,0,\"tower.jpg\""_s,
                     u"#Mov $$V=$$V-1"_s, u"#EndLoop $$V"_s}),
              -1);
    EXPECT_LT(clock.elapsed(), 5000);
    ASSERT_EQ(r.texts().size(), 1);
    EXPECT_TRUE(r.texts()[0].contains(u"描画に時間がかかりすぎます！（1枚0.3秒まで）"_s))
        << r.texts()[0].toStdString();
    EXPECT_TRUE(r.texts()[0].contains(u"行目）"_s));
    EXPECT_TRUE(r.def->ranOutOfTime());
    EXPECT_FALSE(r.def->stopped());

    // Asked along the way, the person stops it: at once, and nothing said.
    r.def->drawingBudgetMs = 30000;
    int asked = 0;
    r.def->goOn = [&asked] { return ++asked < 3; };
    clock.restart();
    EXPECT_EQ(r.run({u"#Size 640,408"_s, u"#Mov $$V=1000"_s, u"#DoLoop"_s,
                     u"#Jpg 0,0,4096,0,\"tower.jpg\""_s, u"#Mov $$V=$$V-1"_s, u"#EndLoop $$V"_s}),
              -1);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(asked, 3);
    EXPECT_TRUE(r.texts().isEmpty()) << r.texts().join(u'|').toStdString();
    EXPECT_TRUE(r.def->stopped());
    EXPECT_FALSE(r.def->ranOutOfTime());
}

TEST(Definition, QrCodesNeedTheModule) {
    DefRun r;
    EXPECT_EQ(r.run({u"#QRCode 10,10,100,100,\"JA1ABC 2024\""_s}), -1);
    EXPECT_EQ(r.texts(), (QStringList{u"ZkwQRCode.dll が見つかりません！"_s,
                                      u"#QRCode 10,10,100,100,\"JA1ABC 2024\"\r　↑この命令は使えま"
                                      u"せん！（1行目）"_s}));
    QrModule old(QStringLiteral(SENDVIK_OLD_QR_MODULE));
    EXPECT_EQ(old.status(), QrModule::kTooOld);
    r.qr = &old;
    r.def.reset();
    EXPECT_EQ(r.run({u"#QRCode 10,10,100,100,\"JA1ABC 2024\""_s}), -1);
    EXPECT_EQ(r.texts().value(0), u"ZkwQRCode.dll が古いです！"_s);
    EXPECT_EQ(QrModule(u"/nonexistent/libZkwQRCode.so"_s).status(), QrModule::kNotFound);

    QrModule module(QStringLiteral(SENDVIK_QR_MODULE));
    ASSERT_GT(module.status(), 0);
    DefRun q;
    q.qr = &module;
    EXPECT_EQ(q.run({u"#Size 640,408"_s, u"#QRCode 10,10,200,200,\"!Ca JA1ABC 2024\",1"_s}), 0);
    const QImage& card = q.def->card();
    // The finder pattern's dark corner inside the quiet zone.
    int dark = 0;
    for (int y = 10; y < 210; ++y)
        for (int x = 10; x < 210; ++x)
            dark += qGray(card.pixel(x, y)) < 128;
    EXPECT_GT(dark, 200 * 200 / 5);
    EXPECT_LT(dark, 200 * 200 * 3 / 4);
    EXPECT_EQ(q.run({u"#QRCode 10,10,200,200,\"abc\""_s}), -1);  // under 4 bytes
}

// Two module objects of one file (the program's and another made for a
// while): the second's end leaves the first drawing. Qt keeps one handle per
// file, so an unload would have pulled the code from under the first.
TEST(Definition, AModuleOutlivesAnotherOfTheSameFile) {
    QrModule program(QStringLiteral(SENDVIK_QR_MODULE));
    ASSERT_GT(program.status(), 0);
    { QrModule passing(QStringLiteral(SENDVIK_QR_MODULE)); }
    Sandbox box;
    EXPECT_TRUE(program.make("JA1ABC 2024 QSL", box.path(u"qr.bmp"_s), 0));
    EXPECT_FALSE(QImage(box.path(u"qr.bmp"_s)).isNull());
}

TEST(Definition, AQrCodeThatCannotBeMadeFailsAndNoOldBitmapIsDrawn) {
    QrModule module(QStringLiteral(SENDVIK_QR_MODULE));
    ASSERT_GT(module.status(), 0);
    Sandbox tmp;
    const QByteArray tmpBefore = qgetenv("TMPDIR");
    qputenv("TMPDIR", tmp.dir().toLocal8Bit());
    // Somebody's file under the name the bitmap would take in the shared
    // temporary folder: never read, never replaced.
    QImage planted(200, 200, QImage::Format_RGB32);
    planted.fill(Qt::black);
    ASSERT_TRUE(planted.save(tmp.path(u"QRCode$.bmp"_s), "BMP"));
    const QByteArray plantedBytes = testing_support::readBytes(tmp.path(u"QRCode$.bmp"_s));

    DefRun q;
    q.qr = &module;
    q.run({});  // the interpreter made before any folder is named
    q.def->context.tempDir.clear();
    q.def->context.messageBody = QString(500, u'x');  // four times: beyond any symbol
    q.def->lines = {u"#Size 640,408"_s, u"#QRCode 10,10,200,200,\"JA1ABC 2024\""_s};
    ASSERT_EQ(q.def->RunDefinition(true), 0);
    q.def->lines = {u"#Size 640,408,0xFFFFFF"_s, u"#QRCode 10,10,200,200,\"!Bo!Bo!Bo!Bo\""_s};
    q.box.messages.clear();
    EXPECT_EQ(q.def->RunDefinition(true), -1);
    EXPECT_EQ(
        q.texts(),
        QStringList{u"#QRCode 10,10,200,200,\"!Bo!Bo!Bo!Bo\"\r　↑QSL定義命令エラー（2行目）\r\r"
                    u"QRコードを作成できません！（文字が多すぎるか、記号にできない文字です）"_s});
    EXPECT_EQ(q.def->errorLine(), 2);
    EXPECT_EQ(testing_support::readBytes(tmp.path(u"QRCode$.bmp"_s)), plantedBytes);
    qputenv("TMPDIR", tmpBefore);
}

TEST(ExpertCard, EveryKindOfDrawing) {
    QrModule module(QStringLiteral(SENDVIK_QR_MODULE));
    DefRun r;
    r.qr = &module;
    r.qso.qslRcvd = u'E';
    r.qso.remarks2 = u"Rig#2"_s;
    QFile::copy(dataFile(u"jpeg/landscape_1800x1200.jpg"_s), r.box.path(u"photo.jpg"_s));
    QFile::copy(dataFile(u"jpeg/tower_baseline.jpg"_s), r.box.path(u"tower.jpg"_s));
    QImage bmp(60, 40, QImage::Format_RGB32);
    bmp.fill(qRgb(0, 128, 255));
    bmp.save(r.box.path(u"badge.bmp"_s), "BMP");
    writeBytes(r.box.path(u"footer.mQSL"_s),
               "#FontSize=10\r\n#PrintR 1010, 630, \"!Vr\"\r\n#Exit\r\n#Print 0,0,\"never\"\r\n");
    const QStringList rigs = {u"No1,7,IC-7300,50,Dipole,10,,,HF"_s,
                              u"No2,7,FT-991,100,\"3 el Yagi\",15,,Hamamatsu,DX"_s};
    r.def = std::make_unique<QslDefinition>(r.qr);
    r.def->context.rigLines = &rigs;
    r.def->context.ownCall = u"JS2IIU"_s;
    r.def->context.placeText = u"静岡県浜松市"_s;
    r.def->context.remarkText = u"TNX FB QSO!"_s;
    r.def->context.messageBody = u"QSOありがとう\r73"_s;
    r.def->context.today = QDate(2024, 4, 1);
    const QStringList definition = {
        u"; a card that uses every command"_s,
        u"#Size 1024, 652, 0x202020"_s,
        u"#Alpha 0, 760, 1800, 440, 14"_s,
        u"#Jpg 0, 0, 1024, 0, \"photo.jpg\""_s,
        u"#Jpg 760, 30, 240, 0, \"tower.jpg\""_s,
        u"#Bmp 20, 20, 0, 0, \"badge.bmp\""_s,
        u"#FontName=\"ＭＳ Ｐ明朝\""_s,
        u"#FontSize=26"_s,
        u"#FontStyle=1"_s,
        u"#FontColor=0xFFFFFF"_s,
        u"#Print 20, 440, \"To Radio: !cp\""_s,
        u"#Print -1000, 440, \" (!NA)\""_s,
        u"#FontStyle=0"_s,
        u"#FontSize=14"_s,
        u"#PrintC 0, 490, 1024, \"!DY/!DM/!DD !TH:!TM JST  !FR MHz !MD  RST !HR\""_s,
        u"#PrintK 20, 520, 400, \"!RG !Pw W  !AN\""_s,
        u"#PrintL 1000, 420, 90, \"Confirming our QSO\""_s,
        u"#PrintA 20, 560, 2, \"From !Ca !LC<BR>!Co\""_s,
        u"#Substr $$A, 1, 6, \"!Ca\""_s,
        u"#Mov $$U=3"_s,
        u"#DoLoop"_s,
        u"#Mov $$B=$$U"_s,
        u"#Print -1000, 620, \" !$$B\""_s,
        u"#Mov $$U=$$U-1"_s,
        u"#EndLoop $$U"_s,
        u"?Rcv"_s,
        u"#Print 600, 560, \"QSL TNX\""_s,
        u"?Qsl3 \"X\""_s,
        u"#Print 600, 590, \"never printed\""_s,
        u"#Goto *9"_s,
        u"#Print 600, 590, \"skipped\""_s,
        u"*9"_s,
        u"#Jst2Utc"_s,
        u"?UTC"_s,
        u"#Print 600, 590, \"!TH:!TM UTC\""_s,
        u"#LineS -3, 0, 0x00FFFF"_s,
        u"#LineR 10, 430, 1014, 645"_s,
        u"#LineS 6, 1, 0xFFFFFF"_s,
        u"#Line 10, 480, 1014, 480"_s,
        u"#LineC 700, 20, 1010, 300, 30, 30"_s,
        u"#LineX 20, 545, 300"_s,
        u"#LineY 740, 440, 180"_s,
        u"#FillBox 900, 320, 60, 30, 0x0000FF"_s,
        u"#Ellips 100, 100, 80"_s,
        u"#EllipsF 200, 100, 120, 60, 0x00FF00"_s,
        u"#Rig#1"_s,
        u"#Text 400, 100, 22"_s,
        u"!Bo"_s,
        u"Rig: !RG"_s,
        u"End"_s,
        u"#Mark=\"Q\""_s,
        u"#QRCode 880, 470, 120, 120, \"JS2IIU/!Ca !DT\", 1"_s,
        u"#Load \"footer.mQSL\""_s,
        u"#Print 20, 400, \"φ\""_s,
    };
    ASSERT_EQ(r.run(definition), 0) << r.texts().join(u" | ").toStdString();
    EXPECT_TRUE(r.texts().isEmpty());
    EXPECT_EQ(r.def->sentMark(), u"Q"_s);
    EXPECT_EQ(r.a(), u"JS2IIU"_s);
    EXPECT_EQ(r.def->card().size(), QSize(1024, 652));
    testing_support::expectLooksLike(r.def->card(), u"expert_every_command.png"_s);
}

}  // namespace

// A picture drawn in a loop is decoded once a run, yet a changed file is
// read again: the next run shows what the file holds now.
TEST(Definition, APictureDrawnAgainShowsItsFileAsItIsNow) {
    DefRun r;
    const auto photo = [&](QRgb colour) {
        QImage image(80, 50, QImage::Format_RGB32);
        image.fill(colour);
        ASSERT_TRUE(writeJpeg(image, r.box.path(u"logo.jpg"_s)));
    };
    photo(qRgb(200, 20, 20));
    const QStringList loop = {u"#Size 640, 408, 0xFFFFFF"_s,
                              u"#Mov $$U=50"_s,
                              u"#DoLoop"_s,
                              u"#Jpg $$U, 10, 40, 0, \"logo.jpg\""_s,
                              u"#Mov $$U=$$U-1"_s,
                              u"#EndLoop $$U"_s,
                              u"#Jpg 300, 200, 160, 100, \"logo.jpg\""_s};
    ASSERT_EQ(r.run(loop), 0) << r.texts().join(u" | ").toStdString();
    EXPECT_GT(qRed(r.def->card().pixel(20, 15)), 150);
    EXPECT_GT(qRed(r.def->card().pixel(380, 250)), 150);
    photo(qRgb(20, 20, 200));
    ASSERT_EQ(r.run(loop), 0);
    EXPECT_GT(qBlue(r.def->card().pixel(20, 15)), 150);
    EXPECT_GT(qBlue(r.def->card().pixel(380, 250)), 150);
}
