#include "mail/mime_message.h"

#include "mail/delivery_report.h"

#include "core/sjis.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <gmime/gmime.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>

namespace {

// The largest attachment a mail carries; a card is a few hundred kB.
constexpr qint64 kMaxAttachment = 256LL * 1024 * 1024;

// Base64 in lines of 76 characters ending in CR LF, as a mail carries it,
// two characters a table look-up; returns the end of what it wrote.
char* encodeBase64Lines(const unsigned char* in, size_t size, char* out) {
    static const auto pairs = [] {
        static constexpr char kAlphabet[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::array<std::array<char, 2>, 4096> table{};
        for (int i = 0; i < 4096; ++i)
            table[static_cast<size_t>(i)] = {kAlphabet[i >> 6], kAlphabet[i & 63]};
        return table;
    }();
    const auto group = [&](size_t at) {
        const unsigned v = (unsigned{in[at]} << 16) | (unsigned{in[at + 1]} << 8) | in[at + 2];
        memcpy(out, pairs[v >> 12].data(), 2);
        memcpy(out + 2, pairs[v & 0xFFF].data(), 2);
        out += 4;
    };
    size_t at = 0;
    for (; size - at >= 57; at += 57) {  // 57 bytes make a line of 76
        for (size_t k = 0; k < 57; k += 3)
            group(at + k);
        *out++ = '\r';
        *out++ = '\n';
    }
    if (at < size) {
        for (; size - at >= 3; at += 3)
            group(at);
        if (const size_t rest = size - at; rest > 0) {
            const unsigned v =
                (unsigned{in[at]} << 16) | (rest == 2 ? unsigned{in[at + 1]} << 8 : 0u);
            memcpy(out, pairs[v >> 12].data(), 2);
            out[2] = rest == 2 ? pairs[v & 0xFFF][0] : '=';
            out[3] = '=';
            out += 4;
        }
        *out++ = '\r';
        *out++ = '\n';
    }
    return out;
}

// The length of encodeBase64Lines's text for `bytes` bytes.
qint64 base64LinesSize(qint64 bytes) {
    const qint64 rest = bytes % 57;
    return bytes / 57 * 78 + (rest > 0 ? (rest + 2) / 3 * 4 + 2 : 0);
}

// The picture is read at most this much at a time: whole lines of base64,
// small enough to stay in the processor's cache between read and encode.
constexpr qint64 kPictureChunk = 57 * 256;

// GMime objects are GObjects: released with g_object_unref.
template <typename T>
struct Unref {
    void operator()(T* p) const {
        if (p) g_object_unref(p);
    }
};
template <typename T>
using GPtr = std::unique_ptr<T, Unref<T>>;

void ensureGMime() {
    static const bool done = [] {
        g_mime_init();
        return true;
    }();
    (void)done;
}

QString fromUtf8(const char* s) {
    return s ? QString::fromUtf8(s) : QString();
}

// The charset a header text needs: ISO-2022-JP when it fits, else UTF-8.
const char* headerCharset(const QString& text) {
    QByteArray jis;
    return sjis::toIso2022Jp(text, jis) ? "iso-2022-jp" : "utf-8";
}

QByteArray partBytes(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!content) return {};
    GPtr<GMimeStream> mem(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(content, mem.get());
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(mem.get()));
    return QByteArray(reinterpret_cast<const char*>(bytes->data),
                      static_cast<qsizetype>(bytes->len));
}

// A mail's parts worth keeping: the text shown and the attachments, a
// bounded number of them.
constexpr size_t kMaxAttachments = 64;

struct Walk {
    GMimePart* text = nullptr;
    std::vector<GMimePart*> attachments;
    int leftOut = 0;
};

void walk(GMimeObject* object, Walk& found, int depth) {
    if (!object || depth > 20) return;
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* multi = GMIME_MULTIPART(object);
        const int n = g_mime_multipart_get_count(multi);
        for (int i = 0; i < n; ++i)
            walk(g_mime_multipart_get_part(multi, i), found, depth + 1);
        return;
    }
    if (GMIME_IS_MESSAGE_PART(object)) return;  // a forwarded message stays whole
    if (!GMIME_IS_PART(object)) return;
    GMimePart* part = GMIME_PART(object);
    const char* filename = g_mime_part_get_filename(part);
    GMimeContentType* type = g_mime_object_get_content_type(object);
    const bool text = type && g_mime_content_type_is_type(type, "text", "*");
    const bool named = filename && *filename;
    if (!named && text) {
        // Plain text first; an HTML part only when there is nothing else.
        if (g_mime_content_type_is_type(type, "text", "plain") || !found.text) found.text = part;
    } else if (named || (type && g_mime_content_type_is_type(type, "image", "*"))) {
        if (found.attachments.size() < kMaxAttachments)
            found.attachments.push_back(part);
        else
            ++found.leftOut;
    }
}

// A header's value as it came, folded lines joined; empty when it is missing.
QByteArray rawHeader(GMimeObject* object, const char* name) {
    GMimeHeaderList* list = g_mime_object_get_header_list(object);
    GMimeHeader* header = list ? g_mime_header_list_get_header(list, name) : nullptr;
    const char* raw = header ? g_mime_header_get_raw_value(header) : nullptr;
    return raw ? QByteArray(raw).replace("\r\n", "").replace('\n', "") : QByteArray();
}

bool hasEightBit(QByteArrayView bytes) {
    return std::any_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// A parameter ("filename", "name") of a raw header value, as its bytes; empty
// when it is not there in its plain form (an RFC 2231 form is GMime's).
QByteArray rawParameter(const QByteArray& value, QByteArrayView name) {
    for (qsizetype at = value.indexOf(';'); at >= 0; at = value.indexOf(';', at + 1)) {
        qsizetype p = at + 1;
        while (p < value.size() && (value[p] == ' ' || value[p] == '\t'))
            ++p;
        if (value.mid(p, name.size()).compare(name, Qt::CaseInsensitive) != 0) continue;
        p += name.size();
        while (p < value.size() && (value[p] == ' ' || value[p] == '\t'))
            ++p;
        if (p >= value.size() || value[p] != '=') continue;
        ++p;
        while (p < value.size() && (value[p] == ' ' || value[p] == '\t'))
            ++p;
        QByteArray out;
        if (p < value.size() && value[p] == '"') {
            for (++p; p < value.size() && value[p] != '"'; ++p) {
                if (value[p] == '\\' && p + 1 < value.size()) ++p;
                out += value[p];
            }
        } else {
            // Unquoted, it runs to the next parameter: some mailers send
            // encoded words with blanks between them that way.
            for (; p < value.size() && value[p] != ';'; ++p)
                out += value[p];
            out = out.trimmed();
        }
        return out;
    }
    return {};
}

// An attachment's name. Some mailers send it as raw 8-bit bytes (Shift_JIS
// mostly): those are read as the subject is, not by GMime's guess.
QString attachmentNameOf(GMimePart* part) {
    GMimeObject* object = GMIME_OBJECT(part);
    for (const auto& [header, parameter] :
         {std::pair{"Content-Disposition", "filename"}, std::pair{"Content-Type", "name"}}) {
        const QByteArray raw = rawParameter(rawHeader(object, header), parameter);
        // Encoded words in a parameter (against the rules, but common) are
        // read whole, however many there are.
        if (hasEightBit(raw) || raw.contains("=?")) return decodeHeaderText(raw);
    }
    QString name = fromUtf8(g_mime_part_get_filename(part));
    // A name GMime could not convert keeps its JIS escapes.
    if (name.contains(QChar(0x1b))) name = sjis::fromIso2022Jp(name.toUtf8());
    return name;
}

QString textOf(GMimePart* part) {
    const QByteArray bytes = partBytes(part);
    const char* charset = g_mime_object_get_content_type_parameter(GMIME_OBJECT(part), "charset");
    return sjis::decodeCharset(bytes, charset ? QByteArrayView(charset) : QByteArrayView());
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Text outside encoded words: JIS escapes or 8-bit bytes some mailers send raw.
QString plainHeaderText(QByteArrayView raw) {
    return sjis::decodeCharset(raw, {});
}

}  // namespace

// RFC 2047 encoded words (B and Q), decoded with the program's own charset
// rules: GMime's converters lose the Windows extensions of Japanese mail
// (circled numbers in ISO-2022-JP, for one). Adjacent words join without the
// blanks between them; a malformed word stays as it is.
QString decodeHeaderText(const QByteArray& raw) {
    QString out;
    qsizetype pos = 0;
    qsizetype plainStart = 0;
    bool lastWasWord = false;
    while (pos < raw.size()) {
        const qsizetype start = raw.indexOf("=?", pos);
        if (start < 0) break;
        const qsizetype q1 = raw.indexOf('?', start + 2);
        const qsizetype q2 = q1 < 0 ? -1 : raw.indexOf('?', q1 + 1);
        const qsizetype end = q2 < 0 ? -1 : raw.indexOf("?=", q2 + 1);
        if (end < 0 || q2 != q1 + 2) {
            pos = start + 2;
            continue;
        }
        QByteArray charset = raw.mid(start + 2, q1 - start - 2);
        if (const qsizetype star = charset.indexOf('*'); star >= 0) charset.truncate(star);
        const char encoding = static_cast<char>(raw[q1 + 1] | 0x20);
        const QByteArray text = raw.mid(q2 + 1, end - q2 - 1);
        QByteArray bytes;
        if (encoding == 'b') {
            bytes = QByteArray::fromBase64(text);
        } else if (encoding == 'q') {
            for (qsizetype i = 0; i < text.size(); ++i) {
                if (text[i] == '_') {
                    bytes += ' ';
                } else if (text[i] == '=' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                           hexValue(text[i + 2]) >= 0) {
                    bytes += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
                    i += 2;
                } else {
                    bytes += text[i];
                }
            }
        } else {
            pos = start + 2;
            continue;
        }
        const QByteArray between = raw.mid(plainStart, start - plainStart);
        if (!(lastWasWord && between.trimmed().isEmpty())) out += plainHeaderText(between);
        out += sjis::decodeCharset(bytes, charset);
        pos = plainStart = end + 2;
        lastWasWord = true;
    }
    out += plainHeaderText(QByteArrayView(raw).sliced(plainStart));
    return out;
}

QString safeAttachmentName(const QString& name) {
    // Only the last path element, whatever the separator.
    QString n = name;
    const qsizetype cut = std::max(n.lastIndexOf(u'/'), n.lastIndexOf(u'\\'));
    if (cut >= 0) n = n.mid(cut + 1);
    QString out;
    for (QChar c : n) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringView(u"<>:\"|?*").contains(c))
            out += u'_';
        else
            out += c;
    }
    out = out.trimmed();
    while (out.startsWith(u'.'))
        out.remove(0, 1);  // no "..", no hidden files
    while (out.endsWith(u'.') || out.endsWith(u' '))
        out.chop(1);
    // File systems count a name's bytes (255 at most); room is left for a
    // "-2" of a name taken and the filing's own endings.
    const qsizetype dot = out.lastIndexOf(u'.');
    const QString ext = dot > 0 && out.size() - dot <= 10 ? out.mid(dot) : QString();
    QString stem = out.left(out.size() - ext.size());
    while (!stem.isEmpty() && (stem + ext).toUtf8().size() > kMaxAttachmentNameBytes) {
        stem.chop(1);
        if (!stem.isEmpty() && stem.back().isHighSurrogate()) stem.chop(1);
    }
    out = stem.trimmed() + ext;
    return out.isEmpty() || out == ext ? QStringLiteral("attachment") + ext : out;
}

QString attachmentNameForContent(const QString& name, QByteArrayView bytes) {
    // A JPEG picture is filed as one, whatever its name says.
    const bool jpeg = bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                      static_cast<unsigned char>(bytes[1]) == 0xD8 &&
                      static_cast<unsigned char>(bytes[2]) == 0xFF;
    const QString suffix = QFileInfo(name).suffix();
    if (!jpeg || suffix.compare(u"jpg", Qt::CaseInsensitive) == 0 ||
        suffix.compare(u"jpeg", Qt::CaseInsensitive) == 0)
        return name;
    const qsizetype dot = name.lastIndexOf(u'.');
    // The new ending may be longer than the old one: cut again.
    return safeAttachmentName((dot > 0 ? name.left(dot) : name) + QStringLiteral(".jpg"));
}

std::optional<QString> headerFieldValue(const QString& headers, const QString& field) {
    QString name = field.trimmed();
    if (name.endsWith(u':')) name.chop(1);
    const QStringList lines =
        QString(headers).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(u':');
        if (colon <= 0 || lines[i].left(colon).trimmed().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        QString value = lines[i].mid(colon + 1);
        while (i + 1 < lines.size() && !lines[i + 1].isEmpty() &&
               (lines[i + 1][0] == u' ' || lines[i + 1][0] == u'\t'))
            value += lines[++i];
        return value.trimmed();
    }
    return std::nullopt;
}

namespace {

// The message as GMime writes it; with an attachment, `placeholder` stands
// in for its base64 (GMime copies content given in the part's own encoding
// as it stands). Nullopt when GMime cannot write it.
std::optional<QByteArray> writeMessage(const OutgoingMail& mail, const QByteArray& placeholder) {
    ensureGMime();
    GPtr<GMimeMessage> message(g_mime_message_new(TRUE));
    GMimeObject* top = GMIME_OBJECT(message.get());
    g_mime_message_add_mailbox(message.get(), GMIME_ADDRESS_TYPE_FROM, nullptr,
                               mail.from.toUtf8().constData());
    g_mime_message_add_mailbox(message.get(), GMIME_ADDRESS_TYPE_TO, nullptr,
                               mail.to.toUtf8().constData());
    g_mime_message_set_subject(message.get(), mail.subject.toUtf8().constData(),
                               headerCharset(mail.subject));
    GDateTime* now = g_date_time_new_now_local();
    g_mime_message_set_date(message.get(), now);
    g_date_time_unref(now);
    const QString domain = mail.from.section(u'@', 1).isEmpty() ? QStringLiteral("localhost")
                                                                : mail.from.section(u'@', 1);
    // A card mail's id names its card: a report returning only the headers
    // still says which card did not arrive.
    const QString id = mail.attachmentPath.isEmpty()
                           ? QUuid::createUuid().toString(QUuid::WithoutBraces) + u'@' + domain
                           : cardMessageId(QFileInfo(mail.attachmentPath).fileName(), domain);
    g_mime_message_set_message_id(message.get(), id.toUtf8().constData());
    for (const QString& line : mail.extraHeaders) {
        const qsizetype colon = line.indexOf(u':');
        if (colon <= 0) continue;
        const QString value = line.mid(colon + 1).trimmed();
        g_mime_object_append_header(top, line.left(colon).trimmed().toUtf8().constData(),
                                    value.toUtf8().constData(), headerCharset(value));
    }

    // The body: ISO-2022-JP 7bit when it fits, else UTF-8 base64.
    GMimeTextPart* text = g_mime_text_part_new_with_subtype("plain");
    QByteArray jis;
    GPtr<GMimeStream> bodyStream;
    if (sjis::toIso2022Jp(mail.body, jis)) {
        g_mime_text_part_set_charset(text, "iso-2022-jp");
        bodyStream.reset(
            g_mime_stream_mem_new_with_buffer(jis.constData(), static_cast<size_t>(jis.size())));
        GPtr<GMimeDataWrapper> wrapper(
            g_mime_data_wrapper_new_with_stream(bodyStream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
        g_mime_part_set_content(GMIME_PART(text), wrapper.get());
        g_mime_part_set_content_encoding(GMIME_PART(text), GMIME_CONTENT_ENCODING_7BIT);
    } else {
        const QByteArray utf8 = mail.body.toUtf8();
        g_mime_text_part_set_charset(text, "utf-8");
        bodyStream.reset(
            g_mime_stream_mem_new_with_buffer(utf8.constData(), static_cast<size_t>(utf8.size())));
        GPtr<GMimeDataWrapper> wrapper(
            g_mime_data_wrapper_new_with_stream(bodyStream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
        g_mime_part_set_content(GMIME_PART(text), wrapper.get());
        g_mime_part_set_content_encoding(GMIME_PART(text), GMIME_CONTENT_ENCODING_BASE64);
    }

    GPtr<GMimeStream> placeholderStream;
    if (placeholder.isEmpty()) {
        g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(text));
    } else {
        placeholderStream.reset(g_mime_stream_mem_new_with_buffer(
            placeholder.constData(), static_cast<size_t>(placeholder.size())));
        GMimeMultipart* mixed = g_mime_multipart_new_with_subtype("mixed");
        g_mime_multipart_add(mixed, GMIME_OBJECT(text));
        const bool jpeg =
            mail.attachmentPath.endsWith(QStringLiteral(".jpg"), Qt::CaseInsensitive) ||
            mail.attachmentPath.endsWith(QStringLiteral(".jpeg"), Qt::CaseInsensitive);
        GMimePart* attachment = g_mime_part_new_with_type(jpeg ? "image" : "application",
                                                          jpeg ? "jpeg" : "octet-stream");
        GPtr<GMimeDataWrapper> wrapper(g_mime_data_wrapper_new_with_stream(
            placeholderStream.get(), GMIME_CONTENT_ENCODING_BASE64));
        g_mime_part_set_content(attachment, wrapper.get());
        g_mime_part_set_content_encoding(attachment, GMIME_CONTENT_ENCODING_BASE64);
        g_mime_part_set_filename(attachment,
                                 QFileInfo(mail.attachmentPath).fileName().toUtf8().constData());
        g_mime_multipart_add(mixed, GMIME_OBJECT(attachment));
        g_object_unref(attachment);
        g_object_unref(text);
        g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(mixed));
        g_object_unref(mixed);
        text = nullptr;
    }
    if (text) g_object_unref(text);

    GMimeFormatOptions* options = g_mime_format_options_clone(nullptr);
    g_mime_format_options_set_newline_format(options, GMIME_NEWLINE_FORMAT_DOS);
    GPtr<GMimeStream> out(g_mime_stream_mem_new());
    const ssize_t written = g_mime_object_write_to_stream(top, options, out.get());
    g_mime_format_options_free(options);
    if (written < 0) return std::nullopt;
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get()));
    return QByteArray(reinterpret_cast<const char*>(bytes->data),
                      static_cast<qsizetype>(bytes->len));
}

}  // namespace

std::optional<MimeMessageSource> MimeMessageSource::open(const OutgoingMail& mail, QString* error) {
    MimeMessageSource source;
    source.mail_ = mail;
    if (!mail.attachmentPath.isEmpty()) {
        auto picture = std::make_unique<QFile>(mail.attachmentPath);
        if (!QFileInfo(mail.attachmentPath).isFile() ||
            !picture->open(QIODevice::ReadOnly | QIODevice::Unbuffered) ||
            picture->size() > kMaxAttachment) {
            if (error)
                *error = (picture->size() > kMaxAttachment
                              ? QStringLiteral("添付するファイルが大きすぎます: ")
                              : QStringLiteral("添付するファイルを読めません: ")) +
                         QDir::toNativeSeparators(mail.attachmentPath);
            return std::nullopt;
        }
        source.pictureBytes_ = picture->size();
        source.picture_ = std::move(picture);
    }
    return source;
}

bool MimeMessageSource::write() {
    if (written_) return true;
    const QByteArray placeholder =
        picture_ ? QUuid::createUuid().toByteArray(QUuid::Id128) : QByteArray();
    std::optional<QByteArray> message = writeMessage(mail_, placeholder);
    if (!message) return false;
    if (placeholder.isEmpty()) {
        head_ = std::move(*message);
    } else {
        const qsizetype at = message->lastIndexOf(placeholder);
        if (at < 0) return false;
        head_ = message->first(at);
        // The stand-in ended its line; the picture's last line ends itself.
        qsizetype after = at + placeholder.size();
        if (message->sliced(after).startsWith("\r\n")) after += 2;
        tail_ = message->sliced(after);
    }
    written_ = true;
    return true;
}

qint64 MimeMessageSource::size() const {
    return head_.size() + base64LinesSize(pictureBytes_) + tail_.size();
}

bool MimeMessageSource::readPicture(qint64 bytes) {
    raw_.resize(static_cast<qsizetype>(bytes));
    qint64 got = 0;
    while (got < bytes) {
        const qint64 n = picture_->read(raw_.data() + got, bytes - got);
        if (n <= 0) return false;
        got += n;
    }
    pictureRead_ += got;
    // A file that shrank or grew since it was opened would make a broken mail.
    return pictureRead_ < pictureBytes_ || picture_->size() == pictureBytes_;
}

qint64 MimeMessageSource::read(char* to, qint64 capacity) {
    qint64 done = 0;
    const auto take = [&](const QByteArray& from, qsizetype& at) {
        const qint64 n = std::min<qint64>(capacity - done, from.size() - at);
        memcpy(to + done, from.constData() + at, static_cast<size_t>(n));
        done += n;
        at += static_cast<qsizetype>(n);
    };
    if (!write()) return -1;
    while (done < capacity) {
        if (headAt_ < head_.size()) {
            take(head_, headAt_);
        } else if (pendingAt_ < pending_.size()) {
            take(pending_, pendingAt_);
        } else if (pictureRead_ < pictureBytes_) {
            // Whole lines go straight to the caller; a line that does not fit
            // waits in `pending_`.
            const qint64 lines = (capacity - done) / 78;
            const qint64 bytes = std::min(
                {std::max<qint64>(lines, 1) * 57, kPictureChunk, pictureBytes_ - pictureRead_});
            if (!readPicture(bytes)) return -1;
            const auto* in = reinterpret_cast<const unsigned char*>(raw_.constData());
            if (lines > 0) {
                done += encodeBase64Lines(in, static_cast<size_t>(bytes), to + done) - (to + done);
            } else {
                pending_.resize(78);
                pending_.truncate(
                    encodeBase64Lines(in, static_cast<size_t>(bytes), pending_.data()) -
                    pending_.data());
                pendingAt_ = 0;
            }
        } else if (tailAt_ < tail_.size()) {
            take(tail_, tailAt_);
        } else {
            break;
        }
    }
    return done;
}

QByteArray buildMimeMessage(const OutgoingMail& mail, QString* error) {
    std::optional<MimeMessageSource> source = MimeMessageSource::open(mail, error);
    if (!source) return {};
    if (!source->write()) {
        if (error) *error = QStringLiteral("メールを作成できません");
        return {};
    }
    QByteArray message(static_cast<qsizetype>(source->size()), Qt::Uninitialized);
    if (source->read(message.data(), message.size()) != message.size()) {
        if (error)
            *error = QStringLiteral("添付するファイルを読めません: ") +
                     QDir::toNativeSeparators(mail.attachmentPath);
        return {};
    }
    return message;
}

std::optional<IncomingMail> parseMimeMessage(const QByteArray& raw) {
    ensureGMime();
    GPtr<GMimeStream> stream(
        g_mime_stream_mem_new_with_buffer(raw.constData(), static_cast<size_t>(raw.size())));
    GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    GPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
    if (!message) return std::nullopt;
    IncomingMail mail;
    GMimeObject* top = GMIME_OBJECT(message.get());
    GMimeHeaderList* headerList = g_mime_object_get_header_list(top);
    GMimeHeader* subject =
        headerList ? g_mime_header_list_get_header(headerList, "Subject") : nullptr;
    const char* rawSubject = subject ? g_mime_header_get_raw_value(subject) : nullptr;
    mail.subject =
        rawSubject ? decodeHeaderText(QByteArray(rawSubject).replace("\r\n", "").replace('\n', ""))
                         .trimmed()
                   : fromUtf8(g_mime_message_get_subject(message.get()));
    // The Date line as the subject is read: raw 8-bit text the same way.
    mail.date = decodeHeaderText(rawHeader(top, "Date")).trimmed();
    if (InternetAddressList* from = g_mime_message_get_from(message.get())) {
        char* text = internet_address_list_to_string(from, nullptr, FALSE);
        mail.from = fromUtf8(text);
        g_free(text);
    }
    char* headers = g_mime_object_get_headers(top, nullptr);
    mail.headers = fromUtf8(headers);
    g_free(headers);
    Walk found;
    walk(g_mime_message_get_mime_part(message.get()), found, 0);
    if (found.text) mail.body = textOf(found.text);
    for (GMimePart* part : found.attachments) {
        QByteArray bytes = partBytes(part);
        QString name = attachmentNameForContent(safeAttachmentName(attachmentNameOf(part)), bytes);
        mail.attachments.push_back({std::move(name), std::move(bytes)});
    }
    mail.attachmentsLeftOut = found.leftOut;
    return mail;
}
