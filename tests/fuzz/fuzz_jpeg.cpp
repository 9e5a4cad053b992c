// The JPEG reader: a file's bytes decoded whole, scaled to cover a card, and
// a part of it; the comments at its start and the QSO record one may carry.

#include "fuzz_support.h"

#include "mail/card_record.h"
#include "render/jpeg_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::start(false);
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const JpegReadResult whole = readJpegData(bytes);
    if (!whole.image.isNull() && whole.image.width() * qint64(whole.image.height()) > (1LL << 28))
        __builtin_trap();
    (void)readJpegData(bytes, QSize(320, 204));
    (void)readJpegData(bytes, QSize(), QRect(8, 8, 64, 64));
    for (const QByteArray& comment : jpegComments(bytes.left(4096)))
        if (const auto record = cardRecordFromComment(comment)) {
            (void)cardNameOfRecord(*record);
            (void)cardRecordLine(*record);
        }
    return 0;
}
