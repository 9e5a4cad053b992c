// The definition interpreter: a definition file's bytes run for one QSO on
// the card (pictures named relative to a folder holding one small photo).

#include "fuzz_support.h"

#include "core/sjis.h"
#include "logdata/qso_record.h"
#include "render/jpeg_io.h"
#include "render/qsl_definition.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::start(true);
    static QTemporaryDir folder;
    static const bool photo = [] {
        QImage image(64, 40, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        return writeJpeg(image, folder.filePath(QStringLiteral("photo.jpg"))) &&
               image.save(folder.filePath(QStringLiteral("logo.bmp")));
    }();
    (void)photo;
    if (size > 16384) return 0;
    static QStringList rigs{QStringLiteral("IC-7300,100W,DP,,"),
                            QStringLiteral("FT-991A,50W,GP,,")};
    QsoRecord qso;
    qso.call = QStringLiteral("JA1ZLO/1");
    qso.date = QStringLiteral("24/05/03");
    qso.time = QStringLiteral("12:34");
    qso.zone = u'J';
    qso.hisRst = QStringLiteral("599");
    qso.myRst = QStringLiteral("579");
    qso.freq = QStringLiteral("7.024");
    qso.mode = QStringLiteral("CW");
    qso.code = QStringLiteral("100110");
    qso.name = QStringLiteral("太郎");
    qso.qth = QStringLiteral("東京都港区");
    qso.remarks1 = QStringLiteral("%浜松市%");
    qso.remarks2 = QStringLiteral("TNX");
    QslDefinition definition;
    definition.context.ownCall = QStringLiteral("JS2IIU");
    definition.context.placeText = QStringLiteral("静岡県浜松市");
    definition.context.rigLines = &rigs;
    definition.context.definitionFile = folder.filePath(QStringLiteral("card.qsl"));
    definition.context.programDir = folder.path();
    definition.context.tempDir = folder.path();
    definition.drawingBudgetMs = 2000;  // a slow input ends as a person's card would, sooner
    const QString text = sjis::decodeUserText(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    definition.lines = text.split(u'\n');
    for (QString& line : definition.lines)
        if (line.endsWith(u'\r')) line.chop(1);
    definition.SetQsoDataRefs(&qso);
    definition.RunDefinition(true);
    return 0;
}
