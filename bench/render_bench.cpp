// Card drawing: the photo decode, a beginner card in a batch, the definition
// interpreter on a long definition, an expert card with every kind of drawing.

#include "core/japanese_fonts.h"
#include "logdata/qso_record.h"
#include "render/card_composer.h"
#include "render/jpeg_io.h"
#include "render/qr_module.h"
#include "render/qsl_definition.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// Fonts and painting want a GUI application; offscreen.
void ensureGui() {
    static int argc = 1;
    static char name[] = "sendvik_bench";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    installJapaneseFontSubstitutes();
}

QString sourceDir() {
    return QStringLiteral(SENDVIK_SOURCE_DIR);
}

// A camera-sized photo made from the test landscape (with some noise, so
// that it codes like a real one).
const QString& photo(int megapixels) {
    static QTemporaryDir dir;
    static std::map<int, QString> made;
    if (auto it = made.find(megapixels); it != made.end()) return it->second;
    const QSize size = megapixels == 12 ? QSize(4000, 3000) : QSize(6000, 4000);
    QImage image =
        readJpeg(sourceDir() + QStringLiteral("/tests/data/jpeg/landscape_1800x1200.jpg"))
            .image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QRandomGenerator noise(42);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(noise.bounded(9)) - 4;
            const QRgb p = line[x];
            line[x] = qRgb(std::clamp(qRed(p) + n, 0, 255), std::clamp(qGreen(p) + n, 0, 255),
                           std::clamp(qBlue(p) + n, 0, 255));
        }
    }
    const QString path = dir.filePath(QStringLiteral("photo%1.jpg").arg(megapixels));
    if (!writeJpeg(image, path, 92)) qFatal("the photo cannot be written");
    return made[megapixels] = path;
}

const QStringList kLines = {
    QStringLiteral("To Radio:JA1ABC　Confirming Our QSO"),
    QStringLiteral("From:JS2IIU静岡県浜松市"),
    QStringLiteral("Date&Time:2024/03/15 12:34JST RST:599 Freq:7MHz 2Way CW"),
    QStringLiteral("Rig:IC-7300  Ant:ダイポール 10mH　Power:50W"),
    QStringLiteral("Remarks:TNX FB QSO!"),
    QStringLiteral("QSL TNX 73")};

void BM_DecodeForCard(benchmark::State& state) {
    ensureGui();
    const QString& path = photo(int(state.range(0)));
    JpegInfo info;
    benchmark::DoNotOptimize(readJpegInfo(path, info));
    const CardGeometry g = cardGeometry(info.uprightSize(), 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(readJpeg(path, g.card, g.crop));
}
BENCHMARK(BM_DecodeForCard)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond);

void BM_BeginnerCard(benchmark::State& state) {
    ensureGui();
    CardInputs card;
    card.photoPath = photo(int(state.range(0)));
    card.ownCall = QStringLiteral("JS2IIU");
    card.nameText = QStringLiteral("Op. Ken<BR>Hamamatsu");
    card.textArea = 2;
    CardFailure failure;
    for (auto _ : state) {
        const auto image = drawBeginnerCard(card, kLines, QStringLiteral("J  "), failure);
        benchmark::DoNotOptimize(encodeJpeg(*image, 90));
    }
}
BENCHMARK(BM_BeginnerCard)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond);

// A card after the first of a batch: the photo is decoded once, each card
// drawn on a copy of it and encoded (0: the demo's photo).
void BM_BeginnerCardInBatch(benchmark::State& state) {
    ensureGui();
    CardInputs card;
    card.photoPath = state.range(0) == 0
                         ? sourceDir() + QStringLiteral("/tests/data/jpeg/landscape_1800x1200.jpg")
                         : photo(int(state.range(0)));
    card.ownCall = QStringLiteral("JS2IIU");
    card.nameText = QStringLiteral("Op. Ken<BR>Hamamatsu");
    card.textArea = 2;
    CardFailure failure;
    CardBackground background;
    drawBeginnerCard(card, kLines, QStringLiteral("J  "), failure, &background);  // the first
    for (auto _ : state) {
        const auto image =
            drawBeginnerCard(card, kLines, QStringLiteral("J  "), failure, &background);
        benchmark::DoNotOptimize(encodeJpeg(*image, 90));
    }
}
BENCHMARK(BM_BeginnerCardInBatch)->Arg(0)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond);

// A batch's drawn card as the batch keeps it until it is mailed: encoded and
// saved in the batch's folder (arg 1), against the encoding alone (arg 0),
// the peer it is measured with. The demo's photo.
void BM_BatchCardSaved(benchmark::State& state) {
    ensureGui();
    CardInputs card;
    card.photoPath = sourceDir() + QStringLiteral("/tests/data/jpeg/landscape_1800x1200.jpg");
    card.ownCall = QStringLiteral("JS2IIU");
    card.textArea = 2;
    CardFailure failure;
    CardBackground background;
    const auto image = drawBeginnerCard(card, kLines, QStringLiteral("J  "), failure, &background);
    QTemporaryDir folder;
    int n = 0;
    for (auto _ : state) {
        if (state.range(0) == 0) {
            benchmark::DoNotOptimize(encodeJpeg(*image, 90));
        } else {
            benchmark::DoNotOptimize(saveCard(
                *image, folder.filePath(QStringLiteral("card%1.jpg").arg(n++ % 100)), failure));
        }
    }
}
BENCHMARK(BM_BatchCardSaved)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

QsoRecord benchQso() {
    QsoRecord q;
    q.recno = 1;
    q.call = QStringLiteral("JA1ABC/1");
    q.date = QStringLiteral("24/03/15");
    q.time = QStringLiteral("12:34");
    q.freq = QStringLiteral("7.024");
    q.mode = QStringLiteral("CW");
    q.hisRst = QStringLiteral("599");
    q.name = QStringLiteral("Taro");
    q.remarks1 = QStringLiteral("%Tokyo%");
    q.key = lookupKeyOf(q.call);
    return q;
}

void BM_Interpreter500Lines(benchmark::State& state) {
    ensureGui();
    QStringList lines = {QStringLiteral("#Size 1024,652,0xFFFFFF"),
                         QStringLiteral("#FontName=\"ＭＳ ゴシック\""),
                         QStringLiteral("#FontSize=10")};
    while (lines.size() < 480) {
        lines << QStringLiteral("?RmStr \"Tokyo\"") << QStringLiteral("#Mov $$A=\"!Ca de !cp\"")
              << QStringLiteral("#Substr $$B, 1, 6, \"!$$A\"") << QStringLiteral("; a comment")
              << QStringLiteral("#Mov $$U=$$U+1") << QStringLiteral("?Freq 3")
              << QStringLiteral("#LineX 10, 600, 1000");
    }
    lines << QStringLiteral("#Mov $$V=20") << QStringLiteral("#DoLoop")
          << QStringLiteral("#Print 10, 10, \"!$$B !DT !TH:!TM\"")
          << QStringLiteral("#Mov $$V=$$V-1") << QStringLiteral("#EndLoop $$V");
    QslDefinition definition;
    QsoRecord q = benchQso();
    definition.SetQsoDataRefs(&q);
    definition.lines = lines;
    for (auto _ : state)
        benchmark::DoNotOptimize(definition.RunDefinition(true));
    state.SetItemsProcessed(state.iterations() * lines.size());
}
BENCHMARK(BM_Interpreter500Lines)->Unit(benchmark::kMillisecond);

void BM_ExpertCard(benchmark::State& state) {
    ensureGui();
    QTemporaryDir dir;
    QFile::copy(sourceDir() + QStringLiteral("/tests/data/jpeg/tower_baseline.jpg"),
                dir.filePath(QStringLiteral("tower.jpg")));
    QrModule qr(QStringLiteral(SENDVIK_BUILD_DIR "/src/") + QrModule::fileName());
    QslDefinition definition(&qr);
    QsoRecord q = benchQso();
    definition.SetQsoDataRefs(&q);
    definition.context.definitionFile = dir.filePath(QStringLiteral("card.mQSL"));
    definition.context.tempDir = dir.path();
    definition.context.ownCall = QStringLiteral("JS2IIU");
    definition.lines = {QStringLiteral("#Size 1024,652,0x303030"),
                        QStringLiteral("#Alpha 0,400,1800,300,12"),
                        QStringLiteral("#Jpg 0,0,1024,0,\"") + photo(12) + u'"',
                        QStringLiteral("#Jpg 700,40,300,0,\"tower.jpg\""),
                        QStringLiteral("#FontName=\"ＭＳ Ｐ明朝\""),
                        QStringLiteral("#FontSize=28"),
                        QStringLiteral("#FontStyle=1"),
                        QStringLiteral("#FontColor=0xFFFFFF"),
                        QStringLiteral("#Print 20, 480, \"To Radio: !cp\""),
                        QStringLiteral("#PrintC 0, 530, 1024, \"!DY/!DM/!DD !TH:!TM !MD\""),
                        QStringLiteral("#PrintL 980, 640, 90, \"Confirming our QSO\""),
                        QStringLiteral("#LineS -3, 0, 0xFFFFFF"),
                        QStringLiteral("#LineR 10, 470, 1014, 640"),
                        QStringLiteral("#Ellips 720, 60, 80, 80"),
                        QStringLiteral("#EllipsF 820, 60, 80, 80, 0x0000FF"),
                        QStringLiteral("#QRCode 860, 480, 150, 150, \"JS2IIU-!Ca-!DT\""),
                        QStringLiteral("#Text 20, 580, 22"),
                        QStringLiteral("73 de !Ca"),
                        QStringLiteral("End")};
    for (auto _ : state) {
        benchmark::DoNotOptimize(definition.RunDefinition(true));
        benchmark::DoNotOptimize(encodeJpeg(definition.card(), 90));
    }
}
BENCHMARK(BM_ExpertCard)->Unit(benchmark::kMillisecond);

}  // namespace
