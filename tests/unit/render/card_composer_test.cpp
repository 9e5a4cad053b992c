#include "render/card_composer.h"
#include "core/comma_text.h"
#include "core/msg_box.h"
#include "core/progress_port.h"
#include "exchange/batch_check.h"
#include "golden.h"
#include "log_fixture.h"
#include "render/card_pictures.h"
#include "render/jpeg_io.h"
#include "render/qsl_definition.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using testing_support::dataFile;
using testing_support::difference;
using testing_support::expectLooksLike;
using testing_support::Sandbox;
using testing_support::writeBytes;

namespace {

const QStringList kLines = {
    u"To Radio:JA1ABC　Confirming Our QSO"_s,
    u"From:JS2IIU 静岡県浜松市"_s,
    u"Date&Time:2024/03/15 12:34JST RST:599 Freq:7MHz 2Way CW"_s,
    u"Rig:IC-7300  Ant:ダイポール 10mH　Power:50W"_s,
    u"Remarks:TNX FB QSO!"_s,
};

TEST(CardGeometry, TheSizeTableAndTheCrop) {
    CardGeometry g = cardGeometry({3000, 2000}, 0);
    EXPECT_EQ(g.card, QSize(1024, 652));
    EXPECT_EQ(g.crop, QRect(0, 0, 3000, 1910));  // 3000 / 1.57055214 = 1910.16
    EXPECT_EQ(g.textTop, 472);
    EXPECT_EQ(cardGeometry({1024, 652}, 0).crop, QRect(0, 0, 1024, 652));
    EXPECT_EQ(cardGeometry({1024, 700}, 0).crop, QRect(0, 0, 1024, 652));
    g = cardGeometry({500, 300}, 0);
    EXPECT_EQ(g.card, QSize(500, 300));
    EXPECT_EQ(g.textTop, 214);
    EXPECT_EQ(g.startSize, 11);
    EXPECT_EQ(g.leftMargin, 3);
    g = cardGeometry({1600, 1200}, 4);
    EXPECT_EQ(g.card, QSize(1600, 1200));
    EXPECT_EQ(g.startSize, 22);
    EXPECT_EQ(g.leftMargin, 10);
    EXPECT_EQ(cardGeometry({1600, 1200}, 0).crop, QRect(0, 0, 1600, 1019));
    EXPECT_EQ(cardGeometry({1600, 1200}, 1).card, QSize(800, 510));
    EXPECT_EQ(cardGeometry({700, 500}, 0).card, QSize(640, 408));
    EXPECT_EQ(cardGeometry({600, 1000}, 0).card, QSize(528, 336));
    EXPECT_EQ(cardGeometry({600, 1000}, 0).crop, QRect(0, 0, 600, 382));
}

// The main window's picture of a definition: its photo cut to the card's
// proportion inside the picture, whether it is wider or taller than a card.
TEST(CardGeometry, ADefinitionsPreviewIsCutInsideItsPhoto) {
    Sandbox box;
    for (const QSize photo : {QSize(1680, 1050), QSize(600, 1000)}) {
        QImage image(photo, QImage::Format_RGB32);
        image.fill(Qt::white);
        ASSERT_TRUE(writeJpeg(image, box.path(u"photo.jpg"_s), 90, nullptr));
        writeBytes(box.path(u"card.mQSL"_s), "#Size 1024,652\r\n#Jpg 0,0,0,0,\"photo.jpg\"\r\n");
        const QImage preview = definitionPreview(box.path(u"card.mQSL"_s));
        ASSERT_FALSE(preview.isNull());
        EXPECT_NEAR(double(preview.width()) / preview.height(), 528.0 / 336, 0.02);
        // Nothing from outside the photo (it would be black).
        EXPECT_EQ(preview.pixelColor(preview.width() - 1, preview.height() - 1).lightness(), 255)
            << photo.width();
    }
}

TEST(CardSave, TooSmallAndTooBigAreRefusedAfterWriting) {
    Sandbox box;
    CardFailure failure;
    QImage small(500, 300, QImage::Format_RGB32);
    small.fill(Qt::white);
    EXPECT_FALSE(saveCard(small, box.path(u"s.jpg"_s), failure));
    EXPECT_EQ(failure.code, 10);
    EXPECT_EQ(box.messages.messages().back().text,
              u"No10 電子QSL画像処理失敗（too Small! 500x300）"_s);
    EXPECT_TRUE(QFileInfo::exists(box.path(u"s.jpg"_s)));
    QImage big(1600, 1200, QImage::Format_RGB32);
    big.fill(Qt::white);
    EXPECT_FALSE(saveCard(big, box.path(u"b.jpg"_s), failure));
    EXPECT_EQ(
        box.messages.messages().back().text,
        u"No11 電子QSL画像処理失敗（too Big! 1600x1200）\r\r元の画像を小さく整形してください。"_s);
    QImage fine(1024, 652, QImage::Format_RGB32);
    fine.fill(Qt::white);
    EXPECT_EQ(saveCard(fine, box.path(u"f.jpg"_s), failure), box.path(u"f.jpg"_s));
    EXPECT_FALSE(saveCard(fine, u"/proc/no/f.jpg"_s, failure));
    EXPECT_EQ(failure.code, 1);
    EXPECT_EQ(cardFailureMessage(4), u"No4 電子QSL画像処理失敗（Read Error）"_s);
    EXPECT_EQ(cardFailureMessage(3), u"No3 電子QSL画像処理失敗（Image Error）"_s);
}

TEST(BeginnerCard, DrawnOnTheCroppedPhotoWithItsTextArea) {
    CardInputs b;
    b.photoPath = dataFile(u"jpeg/landscape_1800x1200.jpg"_s);
    b.ownCall = u"JS2IIU"_s;
    b.portable = u"2"_s;
    b.nameText = u"Op. Ken<BR>Hamamatsu"_s;
    b.look.callBox = QPoint(12, 8);
    b.look.nameBox = QPoint(14, 150);
    b.textArea = 2;
    CardFailure failure;
    const auto card = drawBeginnerCard(b, kLines, u"J  "_s, failure);
    ASSERT_TRUE(card);
    EXPECT_EQ(card->size(), QSize(1024, 652));
    EXPECT_EQ(failure.code, 0);
    expectLooksLike(*card, u"beginner_faded.png"_s);

    // The top right of the card is the photo's top right of the crop.
    const JpegReadResult photo = readJpeg(b.photoPath);
    QImage expected(1024, 652, QImage::Format_RGB32);
    const QImage crop = photo.image.copy(0, 0, 1800, 1146);
    expected = crop.scaled(1024, 652, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(difference(card->copy(700, 200, 300, 200), expected.copy(700, 200, 300, 200)), 6.0);

    b.textArea = 0;
    b.look.backgroundColour = 0x00FFFF;  // yellow
    b.drawCall = b.drawName = false;
    const auto filled = drawBeginnerCard(b, kLines.mid(0, 1), u"J E"_s, failure);
    ASSERT_TRUE(filled);
    EXPECT_EQ(filled->pixel(1000, 640), qRgb(255, 255, 0));
    expectLooksLike(*filled, u"beginner_filled.png"_s);
}

TEST(BeginnerCard, ABatchReadsItsPhotoOnceAndAgainWhenItChanges) {
    Sandbox box;
    CardInputs b;
    b.photoPath = box.path(u"photo.jpg"_s);
    QFile::copy(dataFile(u"jpeg/landscape_1800x1200.jpg"_s), b.photoPath);
    CardFailure failure;
    CardBackground background;
    const auto first = drawBeginnerCard(b, kLines, u"J  "_s, failure, &background);
    ASSERT_TRUE(first);
    EXPECT_EQ(background.path, b.photoPath);
    // The next card comes from the kept photo, drawn alike.
    const auto second = drawBeginnerCard(b, kLines, u"J  "_s, failure, &background);
    ASSERT_TRUE(second);
    EXPECT_EQ(*second, *first);
    // Another photo under the same name is read again.
    QFile::remove(b.photoPath);
    QFile::copy(dataFile(u"jpeg/tower_baseline.jpg"_s), b.photoPath);
    const auto third = drawBeginnerCard(b, kLines, u"J  "_s, failure, &background);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->size(), QSize(512, 512));
}

TEST(BeginnerCard, LongLinesShrinkAndBadPhotosFail) {
    CardInputs b;
    b.photoPath = dataFile(u"jpeg/tower_baseline.jpg"_s);  // 512 x 512: kept as it is
    b.drawCall = b.drawName = false;
    CardFailure failure;
    const auto card = drawBeginnerCard(b, {QString(3000, u'W')}, u"J  "_s, failure);
    ASSERT_TRUE(card);
    EXPECT_EQ(card->size(), QSize(512, 512));

    b.photoPath = dataFile(u"jpeg/landscape_truncated.jpg"_s);
    EXPECT_FALSE(drawBeginnerCard(b, kLines, u"J  "_s, failure));
    EXPECT_EQ(failure.code, 4);
    b.photoPath = u"/nonexistent.jpg"_s;
    EXPECT_FALSE(drawBeginnerCard(b, kLines, u"J  "_s, failure));
    EXPECT_EQ(failure.code, 4);
}

struct ComposeFixture {
    Sandbox box;
    CardInputs inputs;
    QslDefinition definition;
    ComposeFixture() {
        testing_support::makeLog(box.path(u"ZELKOV.mst"_s),
                                 {testing_support::qso(u"JA1ABC"_s, u"24/03/15"_s, u"12:34"_s)});
        QFile::copy(dataFile(u"jpeg/landscape_1800x1200.jpg"_s), box.path(u"photo.jpg"_s));
        inputs.qsoData = box.path(u"ZELKOV.mst"_s);
        inputs.programDir = box.dir();
        inputs.photoPath = box.path(u"photo.jpg"_s);
        inputs.ownCall = u"JS2IIU"_s;
    }
};

TEST(ComposeCard, CardsAreDrawnInAFolderOfTheComposersOwn) {
    ComposeFixture f;
    Sandbox shared;  // stands for the shared temporary folder
    const QByteArray tmpBefore = qgetenv("TMPDIR");
    qputenv("TMPDIR", shared.dir().toLocal8Bit());
    const QString name = u"JS2IIU_240315_1234_7.024_CW_JA1ABC.jpg"_s;
    writeBytes(shared.path(name), "somebody else's file");
    QString folder;
    {
        CardComposer composer(f.inputs, f.definition);
        folder = composer.outputDir;
        ASSERT_FALSE(folder.isEmpty());
        EXPECT_NE(QDir::cleanPath(folder), QDir::cleanPath(shared.dir()));
        EXPECT_EQ(QFileInfo(folder).permissions() &
                      (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
                  QFile::Permissions());
        const CardComposer::Result r = composer.ComposeCard(
            QStringList{u"JA1ABC"_s, u"1"_s, u"JA1ABC"_s, u"240315"_s, u"1234"_s, u"599"_s,
                        u"7.024"_s, u"CW"_s, QString(), QString()});
        ASSERT_NE(r.path, u"-"_s);
        EXPECT_EQ(r.path, QDir(folder).filePath(name));
    }
    // Somebody's file is as it was; the composer's folder went with it.
    EXPECT_EQ(testing_support::readBytes(shared.path(name)), QByteArray("somebody else's file"));
    EXPECT_FALSE(QFileInfo::exists(folder));
    qputenv("TMPDIR", tmpBefore);
}

TEST(ComposeCard, WritesTheCardOfARecordInBothModes) {
    ComposeFixture f;
    CardComposer composer(f.inputs, f.definition);
    composer.outputDir = f.box.dir();
    const QStringList candidate = {u"JA1ABC"_s, u"1"_s,     u"JA1ABC"_s, u"240315"_s, u"1234"_s,
                                   u"599"_s,    u"7.024"_s, u"CW"_s,     QString(),   QString()};
    CardComposer::Result r = composer.ComposeCard(candidate);
    ASSERT_NE(r.path, u"-"_s) << r.failure.message.toStdString();
    EXPECT_EQ(QFileInfo(r.path).fileName(), r.text->fileName);
    EXPECT_TRUE(r.path.startsWith(f.box.dir()));
    JpegInfo info;
    ASSERT_TRUE(readJpegInfo(r.path, info));
    EXPECT_EQ(info.size, QSize(1024, 652));

    // Expert mode: the definition draws the card.
    writeBytes(f.box.path(u"card.mQSL"_s),
               "#Size 1000,640,0x00FF00\r\n#FontSize=20\r\n#Print 10,10,\"!Ca to !cp\"\r\n");
    composer.inputs.expertMode = true;
    composer.inputs.definitionPath = f.box.path(u"card.mQSL"_s);
    r = composer.ComposeCard(candidate);
    ASSERT_NE(r.path, u"-"_s);
    ASSERT_TRUE(readJpegInfo(r.path, info));
    EXPECT_EQ(info.size, QSize(1000, 640));
    EXPECT_EQ(r.card.pixel(900, 600), qRgb(0, 255, 0));

    writeBytes(f.box.path(u"card.mQSL"_s), "#Nonsense\r\n");
    f.box.messages.clear();
    r = composer.ComposeCard(candidate);
    EXPECT_EQ(r.path, u"-"_s);
    EXPECT_EQ(r.failure.code, 5);
    EXPECT_EQ(f.box.messages.messages().back().text, u"No5 電子QSL画像処理失敗（Image Error）"_s);

    // A record that cannot be read: no card, no message.
    f.box.messages.clear();
    EXPECT_EQ(composer.ComposeCard(QStringList{u"X"_s, u"99"_s}).path, u"-"_s);
    EXPECT_TRUE(f.box.messages.messages().empty());

    // Re-sending: the prepared card, nothing drawn.
    composer.preparedCard = u"/cards/old.jpg"_s;
    EXPECT_EQ(composer.ComposeCard(candidate).path, u"/cards/old.jpg"_s);
}

// What a card's reader would miss is noted while it is drawn: a line
// squeezed unreadable, a call sign past the edge, text out of its box,
// fields printed empty. A sound card notes nothing.
TEST(ComposeCard, DrawingNotesWhatAReaderWouldMiss) {
    CardInputs b;
    b.photoPath = dataFile(u"jpeg/landscape_1800x1200.jpg"_s);
    b.drawName = false;
    b.drawCall = true;
    b.ownCall = u"JS2IIU"_s;
    b.look.callBox = QPoint(40, 20);
    CardFailure failure;
    CardFindings findings;
    ASSERT_TRUE(drawBeginnerCard(b, kLines, u"J  "_s, failure, nullptr, &findings));
    EXPECT_TRUE(findings.empty()) << findings.overflows.join(u' ').toStdString();
    b.look.callBox = QPoint(500, 20);  // the right edge of the 528-wide preview
    ASSERT_TRUE(drawBeginnerCard(b, kLines + QStringList{QString(400, u'W')}, u"J  "_s, failure,
                                 nullptr, &findings));
    ASSERT_EQ(findings.overflows.size(), 2) << findings.overflows.join(u' ').toStdString();
    EXPECT_TRUE(findings.overflows[0].startsWith(u"「WWWWWWWWWWWWWWWWWWWWWWWW…」が長すぎて"_s));
    EXPECT_TRUE(findings.overflows[0].endsWith(u"ポイントまで縮みます"_s));
    EXPECT_EQ(findings.overflows[1], u"「JS2IIU」がカードの右端からはみ出します"_s);

    ComposeFixture f;
    QsoRecord full = testing_support::qso(u"JA1ABC"_s, u"24/03/15"_s, u"12:40"_s);
    full.qth = u"東京都"_s;
    testing_support::makeLog(f.box.path(u"two.mst"_s),
                             {testing_support::qso(u"JA1ABC"_s, u"24/03/15"_s, u"12:34"_s), full});
    f.inputs.qsoData = f.box.path(u"two.mst"_s);
    f.inputs.expertMode = true;
    f.inputs.definitionPath = f.box.path(u"card.mQSL"_s);
    writeBytes(f.inputs.definitionPath,
               "#Size 800,510,0xFFFFFF\r\n#FontSize=20\r\n#Print 10,10,\"To !cp QTH !QT\"\r\n"
               "#Print 700,60,\"!cp !DY/!DM/!DD\"\r\n#PrintC 10,110,60,\"Confirming\"\r\n"
               "#Print 10,500,\"!QT\"\r\n");
    CardComposer composer(f.inputs, f.definition);
    CardComposer::Result r = composer.ComposeCard(QStringList{u"JA1ABC"_s, u"1"_s});
    ASSERT_NE(r.path, u"-"_s);
    EXPECT_EQ(r.findings.overflows,
              (QStringList{u"「JA1ABC 2024/03/15」がカードの右端からはみ出します"_s,
                           u"「Confirming」が幅60の枠に収まりません"_s}));
    EXPECT_EQ(r.findings.emptyFields, QStringList{u"QTH"_s});  // once, printed twice
    // The next card starts afresh: its QTH is there, and so is its text at the bottom.
    r = composer.ComposeCard(QStringList{u"JA1ABC"_s, u"2"_s});
    EXPECT_TRUE(r.findings.emptyFields.isEmpty());
    EXPECT_EQ(r.findings.overflows.value(2), u"「東京都」がカードの下端からはみ出します"_s);

    // A batch mails the very card it looked over, without drawing it again.
    QFile::remove(f.inputs.definitionPath);
    composer.reuseDrawn = true;
    const QString looked = r.path;
    r = composer.ComposeCard(QStringList{u"JA1ABC"_s, u"2"_s});
    EXPECT_EQ(r.path, looked);
    EXPECT_EQ(r.findings.overflows.size(), 3);
    composer.reuseDrawn = false;
    EXPECT_EQ(composer.ComposeCard(QStringList{u"JA1ABC"_s, u"2"_s}).path, u"-"_s);
}

}  // namespace

// A definition that draws too long for one card would for every card: the
// look over the batch ends at the first, with the line it was at.
TEST(ComposeCard, ASlowDefinitionEndsTheBatchCheckAtItsFirstCard) {
    ComposeFixture f;
    testing_support::makeLog(f.box.path(u"two.mst"_s),
                             {testing_support::qso(u"JA1ABC"_s, u"24/03/15"_s, u"12:34"_s),
                              testing_support::qso(u"JA1ABC"_s, u"24/03/15"_s, u"12:40"_s)});
    f.inputs.qsoData = f.box.path(u"two.mst"_s);
    f.inputs.expertMode = true;
    f.inputs.definitionPath = f.box.path(u"card.mQSL"_s);
    writeBytes(f.inputs.definitionPath,
               "#Size 1024,652\r\n#Mov $$V=900\r\n#DoLoop\r\n#FillBox 0,0,1024,652,255\r\n"
               "#FillBox 0,0,1024,652,0\r\n#FillBox 0,0,1024,652,65535\r\n"
               "#Mov $$V=$$V-1\r\n#EndLoop $$V\r\n");
    f.definition.drawingBudgetMs = 100;
    CardComposer composer(f.inputs, f.definition);
    RecordingProgressPort progress;
    QStringList candidates;
    for (const char* recno : {"1", "2"})
        candidates << commaTextJoin({u"JA1ABC"_s, QString::fromLatin1(recno), u"JA1ABC"_s,
                                     u"240315"_s, u"1234"_s, u"599"_s, u"7.024"_s, u"CW"_s,
                                     QString(), QString(), u"ja1abc@example.jp"_s});
    const BatchCheck check = checkBatchCards(composer, candidates, progress);
    EXPECT_TRUE(check.tooSlow);
    EXPECT_FALSE(check.stopped);
    EXPECT_EQ(check.checked, 1);
    ASSERT_FALSE(check.problems.empty());
    EXPECT_EQ(check.records(), std::set<int>{1}) << problemLines(check).join(u'|').toStdString();
    EXPECT_TRUE(check.problems[0].text.contains(u"描画に時間がかかりすぎます"_s))
        << check.problems[0].text.toStdString();
}
