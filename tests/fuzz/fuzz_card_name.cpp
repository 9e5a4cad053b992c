// The card file name reader, as the lists and the matching read a name.

#include "fuzz_support.h"

#include "mail/qsl_mail_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::start(false);
    if (size > 1024) return 0;
    const QString name =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)parseCardFileName(name);
    (void)isCardMailer(name);
    (void)cardMailerYyMm(name);
    return 0;
}
