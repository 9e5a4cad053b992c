#include "mail/mime_message.h"

#include "mail/delivery_report.h"

#include "core/sjis.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <gmime/gmime.h>

#include <algorithm>
#include <memory>

#include <fcntl.h>

namespace {

// A message is built in one buffer up to this size of attachment.
constexpr qint64 kMaxPresized = 64LL * 1024 * 1024;

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

struct Walk {
    GMimePart* text = nullptr;
    GMimePart* attachment = nullptr;
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
    if (filename && *filename) {
        if (!found.attachment) found.attachment = part;
    } else if (text && !found.text) {
        // Plain text first; an HTML part only when there is nothing else.
        if (g_mime_content_type_is_type(type, "text", "plain") || !found.text) found.text = part;
    } else if (!text && !found.attachment && type &&
               g_mime_content_type_is_type(type, "image", "*")) {
        found.attachment = part;
    }
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
    return raw.contains('\x1b') ? sjis::fromIso2022Jp(raw) : sjis::decodeUserText(raw);
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
    if (out.size() > 120) {
        const qsizetype dot = out.lastIndexOf(u'.');
        const QString ext = dot > 0 && out.size() - dot <= 10 ? out.mid(dot) : QString();
        out = out.left(120 - ext.size()) + ext;
    }
    return out.isEmpty() ? QStringLiteral("attachment") : out;
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

QByteArray buildMimeMessage(const OutgoingMail& mail, QString* error) {
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

    qint64 attachmentBytes = 0;
    if (mail.attachmentPath.isEmpty()) {
        g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(text));
    } else {
        // GMime reads the picture from the file as it encodes it.
        GPtr<GMimeStream> dataStream(
            QFileInfo(mail.attachmentPath).isFile()
                ? g_mime_stream_fs_open(QFile::encodeName(mail.attachmentPath).constData(),
                                        O_RDONLY, 0, nullptr)
                : nullptr);
        if (!dataStream) {
            g_object_unref(text);
            if (error) *error = mail.attachmentPath + QStringLiteral(": cannot be read");
            return {};
        }
        attachmentBytes = QFileInfo(mail.attachmentPath).size();
        GMimeMultipart* mixed = g_mime_multipart_new_with_subtype("mixed");
        g_mime_multipart_add(mixed, GMIME_OBJECT(text));
        const bool jpeg =
            mail.attachmentPath.endsWith(QStringLiteral(".jpg"), Qt::CaseInsensitive) ||
            mail.attachmentPath.endsWith(QStringLiteral(".jpeg"), Qt::CaseInsensitive);
        GMimePart* attachment = g_mime_part_new_with_type(jpeg ? "image" : "application",
                                                          jpeg ? "jpeg" : "octet-stream");
        GPtr<GMimeDataWrapper> wrapper(
            g_mime_data_wrapper_new_with_stream(dataStream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
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
    // Room for the whole message at once: base64 lines of 76 with CR LF.
    GPtr<GMimeStream> out(g_mime_stream_mem_new_with_byte_array(g_byte_array_sized_new(
        static_cast<guint>(std::min<qint64>(attachmentBytes, kMaxPresized) / 57 * 78 + 8192))));
    const ssize_t written = g_mime_object_write_to_stream(top, options, out.get());
    g_mime_format_options_free(options);
    if (written < 0) {  // the picture could not be read to its end
        if (error) *error = mail.attachmentPath + QStringLiteral(": cannot be read");
        return {};
    }
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get()));
    return QByteArray(reinterpret_cast<const char*>(bytes->data),
                      static_cast<qsizetype>(bytes->len));
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
    mail.date = fromUtf8(g_mime_object_get_header(top, "Date"));
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
    if (found.attachment) {
        QString name = fromUtf8(g_mime_part_get_filename(found.attachment));
        // A name GMime could not convert keeps its JIS escapes.
        if (name.contains(QChar(0x1b))) name = sjis::fromIso2022Jp(name.toUtf8());
        mail.attachmentName = safeAttachmentName(name);
        mail.attachment = partBytes(found.attachment);
    }
    return mail;
}
