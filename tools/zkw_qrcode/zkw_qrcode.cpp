// ZkwQRCode: the QR-code module the card renderer loads by name. One entry
// point: MkZkwQRCode(text, bitmap path, flags) writes the QR code of a
// Shift-JIS text as a 24-bit Windows bitmap (black modules on the light
// colour of the flags' low 24 bits, 0x00BBGGRR; a quiet zone of four
// modules, four pixels a module); the error correction level (0 L, 1 M, 2 Q,
// 3 H) is the flags' high byte. Called with no text it answers its version.
// 0 on success, -1 on failure.

#include <qrencode.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kVersion = 110;
constexpr int kModulePixels = 4;
constexpr int kQuietModules = 4;

void put16(std::vector<unsigned char>& out, unsigned v) {
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

void put32(std::vector<unsigned char>& out, unsigned v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int MkZkwQRCode(const char* text,
                                                                  const char* path,
                                                                  unsigned flags) {
    if (!text) return kVersion;
    if (!path || std::strlen(text) == 0 || std::strlen(text) > 2048) return -1;
    static const QRecLevel levels[] = {QR_ECLEVEL_L, QR_ECLEVEL_M, QR_ECLEVEL_Q, QR_ECLEVEL_H};
    const unsigned level = (flags >> 24) & 0xFF;
    QRcode* code = QRcode_encodeString(text, 0, levels[level > 3 ? 2 : level], QR_MODE_KANJI, 1);
    if (!code) return -1;
    const int modules = code->width + 2 * kQuietModules;
    const int side = modules * kModulePixels;
    const int rowBytes = (side * 3 + 3) & ~3;
    const unsigned light = flags & 0xFFFFFF;
    const unsigned char lr = light & 0xFF, lg = (light >> 8) & 0xFF, lb = (light >> 16) & 0xFF;

    std::vector<unsigned char> file;
    file.reserve(54 + static_cast<size_t>(rowBytes) * side);
    file.push_back('B');
    file.push_back('M');
    put32(file, 54u + unsigned(rowBytes) * unsigned(side));
    put32(file, 0);
    put32(file, 54);
    put32(file, 40);
    put32(file, unsigned(side));
    put32(file, unsigned(side));
    put16(file, 1);
    put16(file, 24);
    put32(file, 0);
    put32(file, unsigned(rowBytes) * unsigned(side));
    put32(file, 3780);
    put32(file, 3780);
    put32(file, 0);
    put32(file, 0);
    for (int row = side - 1; row >= 0; --row) {  // bottom-up
        const int my = row / kModulePixels - kQuietModules;
        for (int col = 0; col < side; ++col) {
            const int mx = col / kModulePixels - kQuietModules;
            const bool dark = mx >= 0 && my >= 0 && mx < code->width && my < code->width &&
                              (code->data[my * code->width + mx] & 1);
            file.push_back(dark ? 0 : lb);
            file.push_back(dark ? 0 : lg);
            file.push_back(dark ? 0 : lr);
        }
        for (int pad = side * 3; pad < rowBytes; ++pad)
            file.push_back(0);
    }
    QRcode_free(code);
    std::FILE* out = std::fopen(path, "wb");
    if (!out) return -1;
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written ? 0 : -1;
}
