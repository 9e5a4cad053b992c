// The service's replies: EUC-JP to Shift-JIS, the P and PRE cuts, the
// registration page cleaned, the about box's build date and download link.

#include "fuzz_support.h"

#include "server/server_payload.h"
#include "server/version_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::start(false);
    const QByteArrayView page(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QByteArray sjis = EucToSjis(page);
    (void)sjisText(sjis);
    (void)serverText(page);
    const QByteArray lines = normalizeLineBreaks(page);
    (void)cutPPayload(lines);
    if (cutPrePayload(lines, 512).size() > 512) __builtin_trap();
    (void)registrationPageText(lines);
    if (const auto date = findBuildDate(lines))
        (void)buildDateMessage(*date, QStringLiteral("2025/11/30"));
    if (const auto path = downloadPath(lines)) {
        const QString target = downloadTarget(QStringLiteral("/tmp/dl"), *path);
        if (!target.startsWith(QStringLiteral("/tmp/dl/"))) __builtin_trap();
    }
    return 0;
}
