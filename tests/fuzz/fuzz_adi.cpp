// The ADIF (ADI) reader: strict and forgiving, every record taken as a QSO.

#include "fuzz_support.h"

#include "logdata/adif.h"
#include "logdata/qso_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::start(false);
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const AdifParse strict = parseAdi(bytes);
    for (const AdifRecord& r : strict.records) {
        QsoRecord qso;
        QString why;
        qsoFromAdif(r, qso, why);
    }
    int n = 0;
    parseAdi(
        bytes,
        [&n](const AdifRecord& r) {
            QsoRecord qso;
            QString why;
            qsoFromAdif(r, qso, why);
            return ++n < 100000;
        },
        false);
    return 0;
}
