// Throughput of the codec, the settings store and the bitmap helpers.

#include "core/bitmap_ops.h"
#include "core/sjis.h"
#include "core/zk_dll5.h"
#include "core/zkw_ini.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QString japaneseText(int repeat) {
    return QStringLiteral(
               "JA1ABC 東京都千代田区 ＱＳＬありがとうございました。①ⅰ～ 7.041 CW 599\r\n")
        .repeated(repeat);
}

void BM_Cp932Encode(benchmark::State& state) {
    const QString text = japaneseText(10000);
    for (auto _ : state)
        benchmark::DoNotOptimize(sjis::fromUnicode(text));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_Cp932Encode);

void BM_Cp932Decode(benchmark::State& state) {
    const QByteArray bytes = sjis::fromUnicode(japaneseText(10000));
    for (auto _ : state)
        benchmark::DoNotOptimize(sjis::toUnicode(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_Cp932Decode);

void BM_ByteLengthShortField(benchmark::State& state) {
    const QString call = QStringLiteral("東京都千代田区");
    for (auto _ : state)
        benchmark::DoNotOptimize(sjis::byteLength(call));
}
BENCHMARK(BM_ByteLengthShortField);

// A settings file as large as a long-used one: every section with its keys.
QString writeSettings(const QTemporaryDir& dir) {
    QString text;
    for (int s = 0; s < 20; ++s) {
        text += QStringLiteral("[Section%1]\r\n").arg(s);
        for (int k = 0; k < 50; ++k)
            text += QStringLiteral("Key%1=値 %2\r\n").arg(k).arg(s * k);
        text += QStringLiteral("\r\n");
    }
    const QString path = dir.filePath(QStringLiteral("Sendvik.ini"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(sjis::fromUnicode(text));
    return path;
}

void BM_SettingsLoad(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = writeSettings(dir);
    for (auto _ : state) {
        TZkwIni ini(path);
        benchmark::DoNotOptimize(ini.readString(u"Section19", u"Key49", QString()));
    }
}
BENCHMARK(BM_SettingsLoad);

void BM_SettingsReadLastKey(benchmark::State& state) {
    QTemporaryDir dir;
    TZkwIni ini(writeSettings(dir));
    for (auto _ : state)
        benchmark::DoNotOptimize(ini.readInteger(u"section19", u"KEY49", 0));
}
BENCHMARK(BM_SettingsReadLastKey);

void BM_WildcardHostile(benchmark::State& state) {
    const QString text(5000, u'A');
    const QString pattern = QStringLiteral("*A").repeated(200) + u'B';
    for (auto _ : state)
        benchmark::DoNotOptimize(WildcardMatch(text, pattern));
}
BENCHMARK(BM_WildcardHostile);

void BM_FadeRectCard(benchmark::State& state) {
    QImage card(528, 336, QImage::Format_RGB32);
    card.fill(qRgb(30, 90, 160));
    for (auto _ : state)
        FadeRect(card, QRect(0, 200, 528, 136), 17);
}
BENCHMARK(BM_FadeRectCard);

void BM_StretchCopyPhotoToCard(benchmark::State& state) {
    QImage photo(4000, 3000, QImage::Format_RGB32);
    photo.fill(qRgb(120, 80, 40));
    for (auto _ : state) {
        QImage card(528, 336, QImage::Format_RGB32);
        StretchCopy(photo, card);
        benchmark::DoNotOptimize(card.bits());
    }
}
BENCHMARK(BM_StretchCopyPhotoToCard)->Unit(benchmark::kMillisecond);

}  // namespace
