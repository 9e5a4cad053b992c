#include "render/jpeg_io.h"

#include "core/whole_file.h"

#include <QFile>
#include <QTransform>

#include <cerrno>
#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

namespace {

constexpr qint64 kMaxJpegFileBytes = 256LL * 1024 * 1024;
constexpr long kMaxJpegWorkBytes = 768L * 1024 * 1024;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool truncated;
};

// The library's failure in the person's words (its own are English).
void sayInJapanese(ErrorManager* err, int code) {
    QByteArray text;
    switch (code) {
        case JERR_NO_SOI: text = QStringLiteral("JPEGファイルではありません").toUtf8(); break;
        case JERR_OUT_OF_MEMORY:
        case JERR_VIRTUAL_BUG:
            text = QStringLiteral("メモリーが足りません（画像が大きすぎます）").toUtf8();
            break;
        case JERR_INPUT_EMPTY:
        case JERR_INPUT_EOF:
            text = QStringLiteral("JPEGファイルが途中で切れています").toUtf8();
            break;
        case JERR_IMAGE_TOO_BIG:
        case JERR_WIDTH_OVERFLOW: text = QStringLiteral("画像が大きすぎます").toUtf8(); break;
        default:
            text = QStringLiteral("JPEG画像が壊れているか、対応していない形式です（%1）")
                       .arg(code)
                       .toUtf8();
    }
    qstrncpy(err->message, text.constData(), sizeof err->message);
}

[[noreturn]] void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    sayInJapanese(err, cinfo->err->msg_code);
    std::longjmp(err->jump, 1);
}

// A progressive file is decoded scan after scan over a buffer of all its
// coefficients: a file of thousands of (empty) scans would take minutes.
void onProgress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number <= kMaxJpegScans) return;
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    qstrncpy(err->message,
             QStringLiteral("プログレッシブJPEGのスキャンが多すぎます（%1まで）")
                 .arg(kMaxJpegScans)
                 .toUtf8()
                 .constData(),
             sizeof err->message);
    std::longjmp(err->jump, 1);
}

void onMessage(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    // A file that ends early decodes with a grey bottom: not a usable picture.
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) err->truncated = true;
}

quint16 read16(const uchar* p, bool little) {
    return little ? quint16(p[0] | (p[1] << 8)) : quint16((p[0] << 8) | p[1]);
}

quint32 read32(const uchar* p, bool little) {
    return little ? quint32(p[0] | (p[1] << 8) | (p[2] << 16) | (quint32(p[3]) << 24))
                  : quint32((quint32(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]);
}

// The Orientation tag of an EXIF block (APP1 data after "Exif\0\0").
int exifOrientation(const uchar* data, unsigned length) {
    if (length < 14 || std::memcmp(data, "Exif\0\0", 6) != 0) return 1;
    const uchar* tiff = data + 6;
    const unsigned size = length - 6;
    const bool little = tiff[0] == 'I' && tiff[1] == 'I';
    if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) return 1;
    // Offsets come from the file: counted wide, so that none wraps around.
    const quint64 ifd = read32(tiff + 4, little);
    if (ifd + 2 > size) return 1;
    const unsigned entries = read16(tiff + ifd, little);
    for (unsigned i = 0; i < entries; ++i) {
        const quint64 at = ifd + 2 + quint64(i) * 12;
        if (at + 12 > size) break;
        if (read16(tiff + at, little) == 0x0112) {
            const int value = read16(tiff + at + 8, little);
            return value >= 1 && value <= 8 ? value : 1;
        }
    }
    return 1;
}

int orientationOf(jpeg_decompress_struct& cinfo) {
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1) {
            const int o = exifOrientation(m->data, m->data_length);
            if (o != 1) return o;
        }
    return 1;
}

QImage upright(const QImage& image, int orientation) {
    switch (orientation) {
        case 2: return image.mirrored(true, false);
        case 3: return image.mirrored(true, true);
        case 4: return image.mirrored(false, true);
        case 5: return image.mirrored(true, false).transformed(QTransform().rotate(270));
        case 6: return image.transformed(QTransform().rotate(90));
        case 7: return image.mirrored(true, false).transformed(QTransform().rotate(90));
        case 8: return image.transformed(QTransform().rotate(270));
        default: return image;
    }
}

// The part of the stored picture that holds an upright part.
QRect storedPart(const QRect& part, QSize stored, int orientation) {
    if (orientation == 1) return part;
    // Only the plain case is decoded partly; others decode the whole picture.
    return QRect(QPoint(0, 0), stored);
}

int scaledSide(int side, int eighths) {
    return (side * eighths + 7) / 8;
}

// Everything a decode holds lives here, outside the jump's reach, so that a
// long jump out of the library leaks nothing.
struct Decoder {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
    QImage image;
    std::vector<JSAMPLE> row;
};

// Decodes into `out`; everything that must survive a long jump lives in
// `decoder` or is set before the jump point.
bool decode(Decoder& d, const QByteArray& data, QSize cover, QRect part, JpegReadResult& out) {
    jpeg_decompress_struct& cinfo = d.cinfo;
    d.err.truncated = false;
    d.err.message[0] = 0;
    cinfo.err = jpeg_std_error(&d.err.base);
    d.err.base.error_exit = onError;
    d.err.base.emit_message = onMessage;
    if (setjmp(d.err.jump)) {
        out.error = QString::fromUtf8(d.err.message);
        out.image = QImage();
        return false;
    }
    jpeg_create_decompress(&cinfo);
    // What the library may take beyond the picture itself (a progressive
    // file's coefficients above all); more ends the decode.
    cinfo.mem->max_memory_to_use = kMaxJpegWorkBytes;
    d.progress.progress_monitor = onProgress;
    cinfo.progress = &d.progress;
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    const QSize stored(int(cinfo.image_width), int(cinfo.image_height));
    // A progressive file holds all its coefficients at once (about two
    // bytes a pixel for each colour): it has a lower limit.
    const qint64 limit = cinfo.progressive_mode ? kMaxProgressiveJpegPixels : kMaxJpegPixels;
    if (qint64(stored.width()) * stored.height() > limit || stored.isEmpty()) {
        out.error = QStringLiteral("画像が大きすぎます（%1×%2ドット）")
                        .arg(stored.width())
                        .arg(stored.height());
        return false;
    }
    const int orientation = orientationOf(cinfo);
    const QSize uprightSize = orientation >= 5 ? stored.transposed() : stored;
    out.fullSize = uprightSize;
    QRect wanted = part.isEmpty() ? QRect(QPoint(0, 0), uprightSize)
                                  : part.intersected(QRect(QPoint(0, 0), uprightSize));
    if (wanted.isEmpty()) {
        out.error = QStringLiteral("切り出す範囲が画像の外です");
        return false;
    }

    // The smallest scale whose picture of the wanted part still covers `cover`.
    int eighths = 8;
    if (cover.isValid() && !cover.isEmpty())
        for (int s = 1; s <= 8; ++s)
            if (wanted.width() * s / 8 >= cover.width() &&
                wanted.height() * s / 8 >= cover.height()) {
                eighths = s;
                break;
            }
    out.scaleEighths = eighths;
    cinfo.scale_num = static_cast<unsigned>(eighths);
    cinfo.scale_denom = 8;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&cinfo);

    // The rows and columns of the scaled stored picture to read.
    const QRect storedWanted = storedPart(wanted, stored, orientation);
    JDIMENSION xOffset = JDIMENSION(storedWanted.x() * eighths / 8);
    JDIMENSION cropWidth = JDIMENSION(std::min<int>(scaledSide(storedWanted.width(), eighths) + 1,
                                                    int(cinfo.output_width) - int(xOffset)));
    if (xOffset > 0 || cropWidth < cinfo.output_width)
        jpeg_crop_scanline(&cinfo, &xOffset, &cropWidth);
    const int firstRow = storedWanted.y() * eighths / 8;
    const int lastRow = std::min<int>(
        int(cinfo.output_height), scaledSide(storedWanted.y() + storedWanted.height(), eighths));
    if (firstRow > 0) jpeg_skip_scanlines(&cinfo, JDIMENSION(firstRow));

    d.image = QImage(int(cinfo.output_width), lastRow - firstRow, QImage::Format_RGB32);
    QImage& image = d.image;
    if (image.isNull()) {
        out.error = QStringLiteral("メモリーが足りません（画像が大きすぎます）");
        jpeg_abort_decompress(&cinfo);
        return false;
    }
    d.row.resize(cmyk ? size_t(cinfo.output_width) * 4 : 0);
    std::vector<JSAMPLE>& row = d.row;
    while (int(cinfo.output_scanline) < lastRow) {
        const int y = int(cinfo.output_scanline) - firstRow;
        JSAMPROW target = cmyk ? row.data() : reinterpret_cast<JSAMPROW>(image.scanLine(y));
        jpeg_read_scanlines(&cinfo, &target, 1);
        if (cmyk) {
            // Adobe writes CMYK inverted; the values then read as C' = 255 - C.
            auto* px = reinterpret_cast<QRgb*>(image.scanLine(y));
            const bool inverted = cinfo.saw_Adobe_marker;
            for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
                int c = row[x * 4], m = row[x * 4 + 1], yy = row[x * 4 + 2], k = row[x * 4 + 3];
                if (!inverted) c = 255 - c, m = 255 - m, yy = 255 - yy, k = 255 - k;
                px[x] = qRgb(c * k / 255, m * k / 255, yy * k / 255);
            }
        }
    }
    if (lastRow < int(cinfo.output_height))
        jpeg_abort_decompress(&cinfo);
    else
        jpeg_finish_decompress(&cinfo);
    if (d.err.truncated) {
        out.error = QStringLiteral("JPEGファイルが途中で切れています");
        return false;
    }

    QImage result = upright(image, orientation);
    // Cut the wanted part out of what was read (in scaled upright pixels).
    const QRect scaledWanted(wanted.x() * eighths / 8, wanted.y() * eighths / 8,
                             scaledSide(wanted.width(), eighths),
                             scaledSide(wanted.height(), eighths));
    const QRect readArea = orientation == 1
                               ? QRect(int(xOffset), firstRow, result.width(), result.height())
                               : QRect(0, 0, result.width(), result.height());
    const QRect inRead = scaledWanted.translated(-readArea.topLeft()).intersected(result.rect());
    if (inRead != result.rect()) result = result.copy(inRead);
    out.image = result.convertToFormat(QImage::Format_RGB32);
    return true;
}

JpegReadResult readFromData(const QByteArray& data, QSize cover, QRect part) {
    JpegReadResult out;
    auto d = std::make_unique<Decoder>();
    decode(*d, data, cover, part, out);
    jpeg_destroy_decompress(&d->cinfo);
    return out;
}

bool readFileData(const QString& path, QByteArray& data, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = systemErrorText(errno);
        return false;
    }
    if (file.size() > kMaxJpegFileBytes) {
        error = QStringLiteral("ファイルが大きすぎます（%1MBまで）").arg(kMaxJpegFileBytes >> 20);
        return false;
    }
    data = file.readAll();
    return true;
}

}  // namespace

bool readJpegInfo(const QString& path, JpegInfo& info, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = systemErrorText(errno);
        return false;
    }
    // The header and the EXIF block sit at the start of the file.
    const QByteArray head = file.read(256 * 1024);
    auto d = std::make_unique<Decoder>();
    jpeg_decompress_struct& cinfo = d->cinfo;
    cinfo.err = jpeg_std_error(&d->err.base);
    d->err.base.error_exit = onError;
    d->err.base.emit_message = onMessage;
    volatile bool ok = false;
    if (setjmp(d->err.jump) == 0) {
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(head.constData()),
                     static_cast<unsigned long>(head.size()));
        jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
        jpeg_read_header(&cinfo, TRUE);
        info.size = QSize(int(cinfo.image_width), int(cinfo.image_height));
        info.orientation = orientationOf(cinfo);
        ok = true;
    } else if (error) {
        *error = QString::fromUtf8(d->err.message);
    }
    jpeg_destroy_decompress(&cinfo);
    return ok;
}

JpegReadResult readJpegData(const QByteArray& data, QSize cover, QRect part) {
    return readFromData(data, cover, part);
}

JpegReadResult readJpeg(const QString& path, QSize cover, QRect part) {
    JpegReadResult out;
    // Mapped rather than read: a camera photo is megabytes that are decoded
    // once and never changed.
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && file.size() > 0 && file.size() <= kMaxJpegFileBytes) {
        if (uchar* mapped = file.map(0, file.size())) {
            const QByteArray view = QByteArray::fromRawData(reinterpret_cast<const char*>(mapped),
                                                            qsizetype(file.size()));
            out = readFromData(view, cover, part);
            file.unmap(mapped);
            return out;
        }
    }
    QByteArray data;
    if (!readFileData(path, data, out.error)) return out;
    return readFromData(data, cover, part);
}

QByteArray encodeJpeg(const QImage& source, int quality, const QByteArray& comment) {
    if (comment.size() > 65533) return {};
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) return {};
    struct Encoder {
        jpeg_compress_struct cinfo;
        ErrorManager err;
        unsigned char* buffer = nullptr;
        unsigned long size = 0;
    };
    auto e = std::make_unique<Encoder>();
    QByteArray out;
    e->cinfo.err = jpeg_std_error(&e->err.base);
    e->err.base.error_exit = onError;
    if (setjmp(e->err.jump) == 0) {
        jpeg_create_compress(&e->cinfo);
        jpeg_mem_dest(&e->cinfo, &e->buffer, &e->size);
        e->cinfo.image_width = JDIMENSION(image.width());
        e->cinfo.image_height = JDIMENSION(image.height());
        e->cinfo.input_components = 4;
        e->cinfo.in_color_space = JCS_EXT_BGRX;
        jpeg_set_defaults(&e->cinfo);
        jpeg_set_quality(&e->cinfo, quality, TRUE);
        jpeg_start_compress(&e->cinfo, TRUE);
        if (!comment.isEmpty())
            jpeg_write_marker(&e->cinfo, JPEG_COM,
                              reinterpret_cast<const JOCTET*>(comment.constData()),
                              static_cast<unsigned int>(comment.size()));
        while (e->cinfo.next_scanline < e->cinfo.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(
                reinterpret_cast<const JSAMPLE*>(image.constScanLine(int(e->cinfo.next_scanline))));
            jpeg_write_scanlines(&e->cinfo, &row, 1);
        }
        jpeg_finish_compress(&e->cinfo);
        out = QByteArray(reinterpret_cast<const char*>(e->buffer), qsizetype(e->size));
    }
    jpeg_destroy_compress(&e->cinfo);
    std::free(e->buffer);
    return out;
}

bool writeJpeg(const QImage& image, const QString& path, int quality, QString* error,
               const QByteArray& comment) {
    const QByteArray bytes = encodeJpeg(image, quality, comment);
    if (bytes.isEmpty()) {
        if (error) *error = QStringLiteral("JPEGに変換できません");
        return false;
    }
    return writeWholeFile(path, bytes, FileSync::Now, error);
}

QList<QByteArray> jpegComments(QByteArrayView head) {
    QList<QByteArray> comments;
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(head[i]); };
    if (head.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8) return comments;
    qsizetype at = 2;
    // Markers with a length up to the first scan; each step moves forward.
    for (int markers = 0; markers < 64 && at + 4 <= head.size(); ++markers) {
        if (byte(at) != 0xFF) break;
        const unsigned char marker = byte(at + 1);
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) break;  // the scan, or the end
        const qsizetype length = (byte(at + 2) << 8) | byte(at + 3);
        if (length < 2) break;
        if (marker == 0xFE) {
            if (at + 2 + length > head.size()) break;  // cut off by the head's end
            comments.append(head.sliced(at + 4, length - 2).toByteArray());
        }
        at += 2 + length;
    }
    return comments;
}

QList<QByteArray> jpegCommentsOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return jpegComments(file.read(4096));
}
