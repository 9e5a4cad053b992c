#pragma once
// Reading and writing JPEG pictures with libjpeg-turbo: photos are decoded at
// the smallest DCT scale that still covers the size asked for, turned upright
// by their EXIF orientation; grayscale, CMYK and progressive files are read;
// corrupt, truncated and absurdly large files are refused. Cards are written
// baseline, 4:2:0, without any of the photo's metadata.

#include <QImage>
#include <QSize>
#include <QString>

// Pictures above this many pixels are refused before anything is decoded.
inline constexpr qint64 kMaxJpegPixels = 400'000'000;
// The same for progressive files, and the most scans one may have.
inline constexpr qint64 kMaxProgressiveJpegPixels = 50'000'000;
inline constexpr int kMaxJpegScans = 100;

struct JpegInfo {
    QSize size;           // as stored
    int orientation = 1;  // EXIF orientation 1 ... 8 (1 when absent or invalid)
    QSize uprightSize() const { return orientation >= 5 ? size.transposed() : size; }
};

struct JpegReadResult {
    QImage image;          // Format_RGB32, upright; null on failure
    QSize fullSize;        // the upright size of the whole picture
    int scaleEighths = 8;  // the DCT scale used, in eighths
    QString error;         // why it was refused
    bool ok() const { return !image.isNull(); }
};

// Reads the header only.
[[nodiscard]] bool readJpegInfo(const QString& path, JpegInfo& info, QString* error = nullptr);

// Decodes the picture. With a `cover` size, the smallest DCT scale whose
// picture is still at least `cover` (upright) is used; the image is then that
// scaled picture, not resized further. `part` (upright pixels of the whole
// picture) decodes only what is needed to cover that part, which is then cut
// out. An empty `part` means the whole picture.
JpegReadResult readJpeg(const QString& path, QSize cover = QSize(), QRect part = QRect());
JpegReadResult readJpegData(const QByteArray& data, QSize cover = QSize(), QRect part = QRect());

// Writes a baseline JPEG (quality 90 unless said) through a temporary file,
// with a comment segment when one is given (at most 65,533 bytes). False with
// `error` when it cannot be written.
[[nodiscard]] bool writeJpeg(const QImage& image, const QString& path, int quality = 90,
                             QString* error = nullptr, const QByteArray& comment = {});
QByteArray encodeJpeg(const QImage& image, int quality = 90, const QByteArray& comment = {});

// The comment segments among the markers at the start of a JPEG file (its
// first bytes are enough: a card's comment follows its first marker), in
// file order; none when it is no JPEG.
QList<QByteArray> jpegComments(QByteArrayView head);
// The same from a file's first 4 KiB.
QList<QByteArray> jpegCommentsOf(const QString& path);
