// iconv backend of the code-page layer (glibc ships CP932 and eucJP-ms).
#include "platform/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace platform {
namespace {

// One conversion descriptor per direction, code page and thread; opening one
// costs far more than a short conversion.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    iconv_t get() const {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
        return cd_;
    }

private:
    iconv_t cd_;
};

Converter& toUtf8(CodePage page) {
    thread_local Converter cp932("UTF-8", "CP932");
    thread_local Converter eucjp("UTF-8", "EUC-JP-MS");
    thread_local Converter jis("UTF-8", "ISO-2022-JP");
    return page == CodePage::Cp932 ? cp932 : page == CodePage::EucJpMs ? eucjp : jis;
}

Converter& fromUtf8(CodePage page) {
    thread_local Converter cp932("CP932", "UTF-8");
    thread_local Converter eucjp("EUC-JP-MS", "UTF-8");
    thread_local Converter jis("ISO-2022-JP", "UTF-8");
    return page == CodePage::Cp932 ? cp932 : page == CodePage::EucJpMs ? eucjp : jis;
}

// Runs iconv over the whole input; on a sequence it cannot convert, writes
// `substitute` and skips `skip(in, left)` input bytes.
template <typename Skip>
QByteArray convertAll(iconv_t cd, QByteArrayView input, QByteArrayView substitute, Skip skip) {
    QByteArray out;
    out.resize(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = static_cast<size_t>(input.size());
    char* dst = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    auto grow = [&] {
        const qsizetype used = dst - out.data();
        out.resize(out.size() * 2 + 16);
        dst = out.data() + used;
        outLeft = static_cast<size_t>(out.size() - used);
    };
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            grow();
            continue;
        }
        // EILSEQ, or EINVAL for a sequence cut off at the end: substitute and go on.
        while (outLeft < static_cast<size_t>(substitute.size()))
            grow();
        for (char c : substitute) {
            *dst++ = c;
            --outLeft;
        }
        const size_t n = std::min(skip(in, inLeft), inLeft);
        in += n;
        inLeft -= n;
    }
    out.resize(dst - out.data());
    return out;
}

size_t utf8SequenceLength(const char* p, size_t left) {
    const auto b = static_cast<unsigned char>(*p);
    size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    return std::min(n, left);
}

}  // namespace

QString decode(CodePage page, QByteArrayView bytes) {
    if (bytes.isEmpty()) return {};
    const QByteArray utf8 = convertAll(toUtf8(page).get(), bytes, "\xEF\xBF\xBD",
                                       [](const char*, size_t) { return size_t{1}; });
    return QString::fromUtf8(utf8);
}

QByteArray encode(CodePage page, QStringView text) {
    if (text.isEmpty()) return {};
    const QByteArray utf8 = text.toUtf8();
    return convertAll(fromUtf8(page).get(), utf8, "?", utf8SequenceLength);
}

bool encodeExact(CodePage page, QStringView text, QByteArray& out) {
    const QByteArray utf8 = text.toUtf8();
    iconv_t cd = fromUtf8(page).get();
    out.resize(utf8.size() * 4 + 16);
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = static_cast<size_t>(utf8.size());
    char* dst = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    if (iconv(cd, &in, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) return false;
    // Back to the initial shift state (ISO-2022-JP ends in ASCII).
    if (iconv(cd, nullptr, nullptr, &dst, &outLeft) == static_cast<size_t>(-1)) return false;
    out.resize(dst - out.data());
    return true;
}

}  // namespace platform
