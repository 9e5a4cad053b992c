#include "mail/mime_message.h"

#include "core/sjis.h"
#include "test_support.h"

#include <QDir>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(MimeMessage, ACardMailRoundTripsWithJapaneseTextAndAnExactAttachment) {
    Sandbox box;
    QByteArray jpeg(200 * 1024, '\0');
    QRandomGenerator rng(1);
    for (char& c : jpeg)
        c = static_cast<char>(rng.bounded(256));
    jpeg[0] = '\xFF';
    writeBytes(box.path(u"JR2XYZ_240401_0830_7.041_CW_JA1ABC.jpg"_s), jpeg);
    OutgoingMail out;
    out.from = u"jr2xyz@qsl.test"_s;
    out.to = u"ja1abc@qsl.test"_s;
    out.subject = u"ZELKOV E-Mail QSL From:JR2XYZ QSO-Date:2024/04/01 ありがとう"_s;
    out.body =
        u"ZELKOV E-Mail QSL Ver5.12\r\nTo Radio:JA1ABC　Confirming Our QSO\r\n.\r\n..dots\r\n"_s;
    out.extraHeaders = {u"X-Mailer: ZELKOV E-Mail QSL, QSO-yymm:2404"_s};
    out.attachmentPath = box.path(u"JR2XYZ_240401_0830_7.041_CW_JA1ABC.jpg"_s);
    QString error;
    const QByteArray raw = buildMimeMessage(out, &error);
    ASSERT_FALSE(raw.isEmpty()) << error.toStdString();
    EXPECT_TRUE(raw.contains("charset=iso-2022-jp"));
    EXPECT_TRUE(raw.contains("X-Mailer: ZELKOV E-Mail QSL, QSO-yymm:2404\r\n"));
    EXPECT_TRUE(raw.contains("Message-Id: <"));
    EXPECT_FALSE(raw.contains("\n\n"));  // CR LF throughout

    const std::optional<IncomingMail> in = parseMimeMessage(raw);
    ASSERT_TRUE(in);
    EXPECT_EQ(in->subject, out.subject);
    EXPECT_EQ(in->body, out.body);
    ASSERT_EQ(in->attachments.size(), 1u);
    EXPECT_EQ(in->attachments[0].name, u"JR2XYZ_240401_0830_7.041_CW_JA1ABC.jpg"_s);
    EXPECT_EQ(in->attachments[0].bytes, jpeg);
    EXPECT_EQ(headerFieldValue(in->headers, u"X-Mailer:"_s).value_or(QString()),
              u"ZELKOV E-Mail QSL, QSO-yymm:2404"_s);
    EXPECT_FALSE(headerFieldValue(in->headers, u"X-Nothing"_s));

    // A picture that is missing, or a folder, makes no mail at all.
    for (const QString& path : {box.path(u"gone.jpg"_s), box.path(u""_s)}) {
        out.attachmentPath = path;
        error.clear();
        EXPECT_TRUE(buildMimeMessage(out, &error).isEmpty()) << path.toStdString();
        EXPECT_EQ(error, u"添付するファイルを読めません: "_s + QDir::toNativeSeparators(path));
    }
}

// The message read as a connection takes it, in pieces of `piece` bytes.
std::optional<QByteArray> readInPieces(MimeMessageSource& source, qint64 piece) {
    QByteArray all;
    QByteArray buffer(static_cast<qsizetype>(piece), '\0');
    for (int guard = 0; guard < 1'000'000; ++guard) {
        const qint64 n = source.read(buffer.data(), piece);
        if (n < 0) return std::nullopt;
        if (n == 0) return all;
        all.append(buffer.constData(), static_cast<qsizetype>(n));
    }
    return std::nullopt;
}

TEST(MimeMessage, APictureStreamsAsExactBase64LinesWhateverTheSizes) {
    Sandbox box;
    QRandomGenerator rng(7);
    OutgoingMail out;
    out.from = u"jr2xyz@qsl.test"_s;
    out.to = u"ja1abc@qsl.test"_s;
    out.subject = u"ZELKOV E-Mail QSL"_s;
    out.body = u"電子QSL\r\n"_s;
    out.attachmentPath = box.path(u"JR2XYZ_240401_0830_7.041_CW_JA1ABC.jpg"_s);
    // Around a base64 group, a line and the piece the file is read in.
    for (const int size : {0, 1, 2, 3, 56, 57, 58, 114, 57 * 256 - 1, 57 * 256 + 1, 100'003}) {
        QByteArray picture(size, '\0');
        for (char& c : picture)
            c = static_cast<char>(rng.bounded(256));
        writeBytes(out.attachmentPath, picture);
        for (const qint64 piece : {1, 77, 78, 79, 16384, 65536}) {
            if (size > 20'000 && piece < 78) continue;  // slow, and the small sizes cover it
            QString error;
            std::optional<MimeMessageSource> source = MimeMessageSource::open(out, &error);
            ASSERT_TRUE(source) << error.toStdString();
            ASSERT_TRUE(source->write());
            const qint64 announced = source->size();
            const std::optional<QByteArray> raw = readInPieces(*source, piece);
            ASSERT_TRUE(raw) << size << " " << piece;
            EXPECT_EQ(raw->size(), announced) << size << " " << piece;
            EXPECT_FALSE(raw->contains("\n\n")) << size << " " << piece;
            const QByteArray base64 = raw->sliced(raw->lastIndexOf("\r\n\r\n") + 4);
            for (const QByteArray& line : base64.split('\n'))
                EXPECT_LE(line.size(), 77) << size << " " << piece;  // 76 and the CR
            const std::optional<IncomingMail> in = parseMimeMessage(*raw);
            ASSERT_TRUE(in);
            ASSERT_EQ(in->attachments.size(), 1u);
            EXPECT_EQ(in->attachments[0].bytes, picture) << size << " " << piece;
            EXPECT_EQ(in->body, out.body);
        }
    }

    // A picture that changes while it goes out stops the message: a mail
    // with a cut or a longer picture than announced would be broken.
    writeBytes(out.attachmentPath, QByteArray(50'000, 'x'));
    for (const int changed : {10'000, 60'000}) {
        QString error;
        std::optional<MimeMessageSource> source = MimeMessageSource::open(out, &error);
        ASSERT_TRUE(source);
        QByteArray buffer(4096, '\0');
        ASSERT_GT(source->read(buffer.data(), buffer.size()), 0);
        writeBytes(out.attachmentPath, QByteArray(changed, 'y'));
        EXPECT_FALSE(readInPieces(*source, 65536)) << changed;
    }
}

TEST(MimeMessage, TextOutsideJisGoesAsUtf8) {
    OutgoingMail out;
    out.from = u"a@qsl.test"_s;
    out.to = u"b@qsl.test"_s;
    out.subject = u"①番のQSL"_s;
    out.body = u"丸数字①と絵文字😀\r\n"_s;
    QString error;
    const QByteArray raw = buildMimeMessage(out, &error);
    EXPECT_TRUE(raw.contains("charset=utf-8"));
    const std::optional<IncomingMail> in = parseMimeMessage(raw);
    ASSERT_TRUE(in);
    EXPECT_EQ(in->subject, out.subject);
    EXPECT_EQ(in->body, out.body);
    EXPECT_TRUE(in->attachments.empty());
    out.attachmentPath = u"/nonexistent/card.jpg"_s;
    EXPECT_TRUE(buildMimeMessage(out, &error).isEmpty());
    EXPECT_TRUE(error.contains(u"card.jpg"_s));
}

TEST(MimeMessage, HostileAttachmentNamesBecomePlainFileNames) {
    EXPECT_EQ(safeAttachmentName(u"../../etc/passwd"_s), u"passwd"_s);
    EXPECT_EQ(safeAttachmentName(u"C:\\Windows\\evil.jpg"_s), u"evil.jpg"_s);
    EXPECT_EQ(safeAttachmentName(u".."_s), u"attachment"_s);
    EXPECT_EQ(safeAttachmentName(u".hidden"_s), u"hidden"_s);
    EXPECT_EQ(safeAttachmentName(u"a\u0001b<c>:d\"e|f?g*h.jpg"_s), u"a_b_c__d_e_f_g_h.jpg"_s);
    EXPECT_EQ(safeAttachmentName(u""_s), u"attachment"_s);
    const QString longName = QString(300, u'x') + u".jpg"_s;
    EXPECT_EQ(safeAttachmentName(longName).size(), 200);
    EXPECT_TRUE(safeAttachmentName(longName).endsWith(u".jpg"_s));
    EXPECT_EQ(safeAttachmentName(u"局長のカード.jpg"_s), u"局長のカード.jpg"_s);
    // A file system counts bytes: 110 kanji (330 bytes) are cut to fit.
    const QString kanji = safeAttachmentName(QString(110, u'局') + u".jpg"_s);
    EXPECT_LE(kanji.toUtf8().size(), kMaxAttachmentNameBytes);
    EXPECT_EQ(kanji, QString(65, u'局') + u".jpg"_s);
    // A picture is named as one, whatever name it came with.
    const QByteArray jpeg("\xFF\xD8\xFF\xE0rest", 8);
    EXPECT_EQ(attachmentNameForContent(u"a.txt"_s, jpeg), u"a.jpg"_s);
    EXPECT_EQ(attachmentNameForContent(u"bashrc"_s, jpeg), u"bashrc.jpg"_s);
    EXPECT_EQ(attachmentNameForContent(u"a.JPG"_s, jpeg), u"a.JPG"_s);
    EXPECT_EQ(attachmentNameForContent(u"a.txt"_s, "text"), u"a.txt"_s);
}

TEST(MimeMessage, EveryRealMessageParsesOrIsRefusedWithoutACrash) {
    const QDir dir(dataFile(u"mail"_s));
    const QStringList files = dir.entryList({u"*.eml"_s}, QDir::Files);
    ASSERT_GE(files.size(), 37);
    int parsed = 0;
    for (const QString& f : files) {
        const std::optional<IncomingMail> m = parseMimeMessage(readBytes(dir.filePath(f)));
        if (!m) continue;
        ++parsed;
        for (const MailAttachment& a : m->attachments) {
            EXPECT_FALSE(a.name.contains(u'/')) << f.toStdString();
            EXPECT_FALSE(a.name.startsWith(u'.')) << f.toStdString();
        }
    }
    EXPECT_GE(parsed, 35);
}

TEST(MimeMessage, JapaneseCharsetsOfRealPhonesAndMailers) {
    auto mail = [](const char16_t* name) {
        return parseMimeMessage(readBytes(dataFile(u"mail/"_s + QString::fromUtf16(name))))
            .value_or(IncomingMail());
    };
    auto firstName = [](const IncomingMail& m) {
        return m.attachments.empty() ? QString() : m.attachments[0].name;
    };
    EXPECT_TRUE(mail(u"jp_docomo_iso2022jp_plain.eml").body.startsWith(u"テスト本文"_s));
    EXPECT_TRUE(mail(u"jp_docomo_shift_jis_8bit_body_crlf.eml").body.startsWith(u"あいうえお"_s));
    // NEC row 13 circled numbers inside ISO-2022-JP, as Windows and iPhones
    // send them: in the subject's encoded word, the body and a file name.
    const IncomingMail circled = mail(u"jp_iphone_iso2022jp_nec_row13_circled_numbers.eml");
    EXPECT_EQ(circled.subject, u"テスト①"_s);
    EXPECT_TRUE(circled.body.startsWith(u"丸数字のテストです②"_s));
    // NEC row 13 and NEC-selected IBM characters in an RFC 2231 file name.
    const QString necName =
        firstName(mail(u"fragment_rfc2231_iso2022jp_filename_nec_chars_continuation.eml"));
    EXPECT_TRUE(necName.startsWith(u"テスト①②③④⑤⑥⑦⑧⑨testⅠⅡⅢⅣⅤⅥⅦⅧⅨtest髙"_s))
        << necName.toStdString();
    EXPECT_TRUE(necName.endsWith(u"テスト㈱.txt"_s)) << necName.toStdString();
    EXPECT_TRUE(necName.contains(u"﨑"_s));
    const QString ibm = mail(u"fragment_iso2022jp_nec_selected_ibm_extension_chars.eml").body;
    EXPECT_TRUE(ibm.contains(u"﨑さん"_s) && ibm.contains(u"髙さん"_s)) << ibm.toStdString();
    EXPECT_EQ(firstName(mail(u"fragment_raw_iso2022jp_escapes_in_quoted_filename.eml")),
              u"テストファイル.xls"_s);
    EXPECT_EQ(mail(u"jp_thunderbird_iso2022jp_subject_split_across_encoded_words_lf.eml").subject,
              u"日本語メールテスト (testing Japanese emails)"_s);
    // UTF-8 labelled as ISO-2022-JP.
    EXPECT_TRUE(
        mail(u"bounce_au_raw_utf8_subject_body_labelled_iso2022jp.eml").body.contains(u"メール"_s));
    // Labelled Shift_JIS, holding Windows-only characters.
    const IncomingMail sjisMail = mail(u"fragment_labelled_shift_jis_but_ms932_chars_base64.eml");
    EXPECT_FALSE(sjisMail.body.contains(QChar(0xFFFD))) << sjisMail.body.toStdString();
    EXPECT_FALSE(mail(u"jp_iphone_charset_cp932_base64_body.eml").body.contains(QChar(0xFFFD)));
    EXPECT_FALSE(mail(u"jp_utf8_b_encoded_subject_base64_body.eml").subject.isEmpty());
    const IncomingMail withJpeg = mail(u"jp_au_iso2022jp_subject_emoji_with_jpeg_attachment.eml");
    ASSERT_FALSE(withJpeg.attachments.empty());
    EXPECT_TRUE(withJpeg.attachments[0].bytes.startsWith("\xFF\xD8"));
    EXPECT_FALSE(withJpeg.attachments[0].name.isEmpty());
}

TEST(Sjis, Iso2022JpReadsTheWindowsExtensionsAndWritesOnlyJis) {
    // ESC $ B, row 13 "2-1" is NEC's circled one; ESC ( I half-width katakana.
    const QByteArray jis = "A\x1b$B-!$\"\x1b(B b\x1b(I1\x1b(B";
    EXPECT_EQ(sjis::fromIso2022Jp(jis), u"A①あ bｱ"_s);
    QByteArray out;
    EXPECT_TRUE(sjis::toIso2022Jp(u"あいう ABC"_s, out));
    EXPECT_EQ(sjis::fromIso2022Jp(out), u"あいう ABC"_s);
    EXPECT_FALSE(sjis::toIso2022Jp(u"①"_s, out));
    EXPECT_EQ(sjis::decodeCharset(sjis::fromUnicode(u"①髙"_s), "Shift_JIS"), u"①髙"_s);
}

}  // namespace

// Header values some mailers send as raw Shift_JIS bytes: a file name and a
// date read as the subject is; every picture of a mail is there.
QByteArray jis(const QString& text) {
    QByteArray out;
    EXPECT_TRUE(sjis::toIso2022Jp(text, out));
    return out;
}

TEST(MimeMessage, RawShiftJisNamesAndDatesAndEveryAttachment) {
    const QByteArray sjisName = sjis::fromUnicode(u"JA2RCV局.jpg"_s);
    const QByteArray raw =
        "From: a@b.test\r\nSubject: " + sjis::fromUnicode(u"写真"_s) +
        "\r\nDate: Tue, 08 Dec 2026 10:00:00 +0900 (" + sjis::fromUnicode(u"日本"_s) +
        ")\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
        "--b\r\nContent-Type: text/plain\r\n\r\nhi\r\n"
        "--b\r\nContent-Type: image/jpeg; name=\"" +
        sjisName + "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
        QByteArray("one").toBase64() +
        "\r\n--b\r\nContent-Type: image/jpeg\r\nContent-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment; filename=" +
        sjis::fromUnicode(u"二枚目.jpg"_s) + "\r\n\r\n" + QByteArray("two").toBase64() +
        "\r\n--b\r\nContent-Type: image/jpeg\r\nContent-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment; filename*=UTF-8''%E4%B8%89.jpg\r\n\r\n" +
        QByteArray("three").toBase64() +
        // A name in several encoded words, quoted and not.
        "\r\n--b\r\nContent-Type: image/jpeg; name==?UTF-8?B?" + u"四枚"_s.toUtf8().toBase64() +
        "?= =?UTF-8?B?" + u"目.jpg"_s.toUtf8().toBase64() +
        "?=\r\nContent-Transfer-Encoding: base64\r\n\r\n" + QByteArray("four").toBase64() +
        "\r\n--b\r\nContent-Type: image/jpeg\r\nContent-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment; filename=\"=?ISO-2022-JP?B?" +
        jis(u"五枚"_s).toBase64() + "?=\r\n =?ISO-2022-JP?B?" + jis(u"目"_s).toBase64() +
        "?=.jpg\"\r\n\r\n" + QByteArray("five").toBase64() + "\r\n--b--\r\n";
    const std::optional<IncomingMail> m = parseMimeMessage(raw);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->subject, u"写真"_s);
    EXPECT_EQ(m->date, u"Tue, 08 Dec 2026 10:00:00 +0900 (日本)"_s);
    ASSERT_EQ(m->attachments.size(), 5u);
    EXPECT_EQ(m->attachments[0].name, u"JA2RCV局.jpg"_s);
    EXPECT_EQ(m->attachments[0].bytes, "one");
    EXPECT_EQ(m->attachments[1].name, u"二枚目.jpg"_s);
    EXPECT_EQ(m->attachments[2].name, u"三.jpg"_s);
    EXPECT_EQ(m->attachments[2].bytes, "three");
    EXPECT_EQ(m->attachments[3].name, u"四枚目.jpg"_s);
    EXPECT_EQ(m->attachments[4].name, u"五枚目.jpg"_s);
}
