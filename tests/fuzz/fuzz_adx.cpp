// The ADX (XML) reader, every record taken as a QSO.

#include "fuzz_support.h"

#include "logdata/adif.h"
#include "logdata/qso_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::start(false);
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const AdifParse parsed = parseAdx(bytes);
    for (const AdifRecord& r : parsed.records) {
        QsoRecord qso;
        QString why;
        qsoFromAdif(r, qso, why);
    }
    return 0;
}
