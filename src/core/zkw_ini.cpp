#include "core/zkw_ini.h"

#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/sjis.h"
#include "core/whole_file.h"
#include "core/zk_dll5.h"

#include <QFile>

#include <limits>

namespace {

// The one-line pieces of a text, split at CR LF, LF or CR.
template <typename Text>
std::vector<Text> splitLines(const Text& text) {
    std::vector<Text> lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            lines.push_back(text.mid(start, i - start));
            if (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n') ++i;
            start = i + 1;
        }
    }
    if (start < n) lines.push_back(text.mid(start));
    return lines;
}

QString trimRightControls(QStringView s) {
    qsizetype end = s.size();
    while (end > 0 && s[end - 1].unicode() <= u' ')
        --end;
    return s.first(end).toString();
}

// A value the file cannot hold as it is, written as one ASCII word that reads
// back exactly: a character without a CP932 form (a path such as
// "/home/josé/..."), a control character (a line break would start a line of
// its own, even a section), or a value that looks like that word itself.
// Every other value is written as it always was, so files stay readable by
// the Windows program; it sees the word where it would have seen "?".
const QString kWordStart = QStringLiteral("=?UTF-8?B?");
const QString kWordEnd = QStringLiteral("?=");

bool looksEncoded(QStringView value) {
    return value.size() >= kWordStart.size() + kWordEnd.size() && value.startsWith(kWordStart) &&
           value.endsWith(kWordEnd);
}

QString storedForm(const QString& value) {
    bool plain = !looksEncoded(value) && sjis::fitsCp932(value);
    for (QChar c : value)
        plain = plain && c.unicode() >= 0x20 && c.unicode() != 0x7F;
    if (plain) return value;
    return kWordStart + QString::fromLatin1(value.toUtf8().toBase64()) + kWordEnd;
}

QString valueOf(const QString& stored) {
    if (!looksEncoded(stored)) return stored;
    const QByteArray base64 =
        stored.sliced(kWordStart.size(), stored.size() - kWordStart.size() - kWordEnd.size())
            .toLatin1();
    const auto decoded =
        QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? QString::fromUtf8(*decoded) : stored;
}

bool sameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Whole-number conversion as the settings always had it: optional blanks and
// sign, decimal digits or "$"/"0x" with up to eight hexadecimal digits (read
// as 32 bits). Anything else, or an overflow, is 0.
int toInteger(QStringView s) {
    qsizetype i = 0;
    while (i < s.size() && s[i] == u' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
    if (i >= s.size()) return 0;
    const QStringView digits = s.sliced(i);
    bool ok = false;
    qint64 value = 0;
    if (digits.startsWith(u'$') || digits.startsWith(u"0x", Qt::CaseInsensitive)) {
        const QStringView hex = digits.sliced(digits.startsWith(u'$') ? 1 : 2);
        if (hex.isEmpty() || hex.size() > 8) return 0;
        value = static_cast<qint32>(hex.toUInt(&ok, 16));
    } else {
        for (QChar c : digits)
            if (!c.isDigit() || c.unicode() > u'9') return 0;
        value = digits.toLongLong(&ok, 10);
        if (value > std::numeric_limits<int>::max() + qint64{negative}) return 0;
    }
    if (!ok) return 0;
    return static_cast<int>(negative ? -value : value);
}

}  // namespace

QByteArray TStringLX::text() const {
    QByteArray out;
    for (const QString& line : lines) {
        out += sjis::fromUnicode(line);
        out += "\r\n";
    }
    return out;
}

bool TStringLX::SaveToFile(const QString& fileName, bool reportFailure) const {
    WholeFile file(fileName);
    // A file in a folder we may not create files in is still written, in place.
    file.allowInPlace();
    // The mode is set on the new file before it takes the old one's place.
    if (ownerOnly) file.setOwnerOnly();
    if (file.open() && file.write(text()) && file.commit()) return true;
    if (!reportFailure) return false;
    ShowMsgBox(nullptr,
               QStringLiteral("次のファイルが書き込めません！ ファイル属性を確認してください\r\r") +
                   fileName + QStringLiteral("\r\r（") + file.error() + u'）',
               app::title(), mb::Ok | mb::IconStop);
    return false;
}

TZkwIni::TZkwIni(QString fileName) : fileName_(std::move(fileName)) {
    load();
}

TZkwIni::~TZkwIni() {
    (void)flush();  // a failure is told by flush itself
}

void TZkwIni::load() {
    sections_.clear();
    loadedText_.clear();
    if (fileName_.isEmpty()) return;
    QFile file(fileName_);
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) return;
    const QByteArray raw = file.readAll();
    for (const QByteArray& line : splitLines(raw)) {
        loadedText_ += line;
        loadedText_ += "\r\n";
    }
    for (const QString& line : splitLines(sjis::decodeUserText(raw))) {
        if (line.isEmpty() || line.front() == u';') continue;
        const QString trimmed = trimRightControls(line);
        if (trimmed.size() >= 2 && trimmed.front() == u'[' && trimmed.back() == u']') {
            sections_.push_back({trimmed.mid(1, trimmed.size() - 2), {}});
        } else if (!sections_.empty()) {
            sections_.back().lines.append(line);
        }
    }
}

TZkwIni::Section* TZkwIni::findSection(QStringView name) {
    for (Section& s : sections_)
        if (sameName(s.name, name)) return &s;
    return nullptr;
}

const TZkwIni::Section* TZkwIni::findSection(QStringView name) const {
    for (const Section& s : sections_)
        if (sameName(s.name, name)) return &s;
    return nullptr;
}

qsizetype TZkwIni::findKey(const QStringList& lines, QStringView key) {
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype eq = lines[i].indexOf(u'=');
        if (eq >= 0 && sameName(QStringView(lines[i]).first(eq), key)) return i;
    }
    return -1;
}

QString TZkwIni::readString(QStringView section, QStringView key, const QString& def) const {
    const Section* s = findSection(section);
    if (!s) return def;
    const qsizetype i = findKey(s->lines, key);
    if (i < 0) return def;
    const QString& line = s->lines[i];
    return valueOf(trimRightControls(QStringView(line).sliced(line.indexOf(u'=') + 1)));
}

int TZkwIni::readInteger(QStringView section, QStringView key, int def) const {
    return toInteger(readString(section, key, QString::number(def)));
}

void TZkwIni::writeString(QStringView section, QStringView key, const QString& value) {
    Section* s = findSection(section);
    if (!s) {
        sections_.push_back({section.toString(), {}});
        s = &sections_.back();
    }
    const QString line = key.toString() + u'=' + storedForm(value);
    const qsizetype i = findKey(s->lines, key);
    if (i >= 0)
        s->lines[i] = line;
    else
        s->lines.append(line);
}

void TZkwIni::writeInteger(QStringView section, QStringView key, int value) {
    writeString(section, key, QString::number(value));
}

void TZkwIni::writeOrDelete(QStringView section, QStringView key, const QString& value) {
    if (value.isEmpty())
        deleteKey(section, key);
    else
        writeString(section, key, value);
}

void TZkwIni::deleteKey(QStringView section, QStringView key) {
    Section* s = findSection(section);
    if (!s) return;
    const qsizetype i = findKey(s->lines, key);
    if (i >= 0) s->lines.removeAt(i);
}

void TZkwIni::eraseSection(QStringView section) {
    for (auto it = sections_.begin(); it != sections_.end(); ++it) {
        if (sameName(it->name, section)) {
            sections_.erase(it);
            return;
        }
    }
}

// A password CP932 cannot hold is kept as the encoded word of any such value,
// which reads back exactly; the words hold the CP932 bytes of every other.
QString TZkwIni::readWords(QStringView section, QStringView key) const {
    const Section* s = findSection(section);
    const qsizetype i = s ? findKey(s->lines, key) : -1;
    if (i < 0) return {};
    const QString& line = s->lines[i];
    const QString stored = trimRightControls(QStringView(line).sliced(line.indexOf(u'=') + 1));
    if (looksEncoded(stored)) return valueOf(stored);
    return sjis::toUnicode(decodeWords(stored));
}

void TZkwIni::writeWords(QStringView section, QStringView key, const QString& text) {
    writeString(section, key, sjis::fitsCp932(text) ? encodeWords(sjis::fromUnicode(text)) : text);
}

TStringLX TZkwIni::writtenForm() const {
    TStringLX list;
    list.ownerOnly = true;  // the settings hold the passwords
    for (const Section& s : sections_) {
        list.lines.append(u'[' + s.name + u']');
        list.lines.append(s.lines);
        list.lines.append(QString());
    }
    return list;
}

QByteArray TZkwIni::render() const {
    return writtenForm().text();
}

bool TZkwIni::flush() {
    const TStringLX list = writtenForm();
    const QByteArray text = list.text();
    if (fileName_.isEmpty() || text == loadedText_) return true;
    const bool alreadyTold = text == unwrittenText_ && fileName_ == unwrittenFile_;
    if (list.SaveToFile(fileName_, !alreadyTold)) {
        unwrittenText_.clear();
        return true;
    }
    unwrittenText_ = text;
    unwrittenFile_ = fileName_;
    return false;
}

void TZkwIni::rebind(const QString& fileName) {
    (void)flush();  // told by flush; the text stays in memory for the new file
    fileName_ = fileName;
    loadedText_.clear();
}

bool TZkwIni::hasSection(QStringView section) const {
    return findSection(section) != nullptr;
}

QStringList TZkwIni::sectionLines(QStringView section) const {
    const Section* s = findSection(section);
    return s ? s->lines : QStringList();
}

QStringList TZkwIni::sectionNames() const {
    QStringList names;
    for (const Section& s : sections_)
        names.append(s.name);
    return names;
}

// The text is taken in pairs of bytes (a zero pads an odd length), each pair
// written as the decimal of its little-endian 16-bit value and an "x". At most
// 1024 bytes are kept.
QString encodeWords(const QByteArray& bytes) {
    const qsizetype n = std::min<qsizetype>(bytes.size(), 1024);
    QString out;
    for (qsizetype i = 0; 2 * i < n; ++i) {
        const auto lo = static_cast<unsigned char>(bytes[2 * i]);
        const auto hi = 2 * i + 1 < n ? static_cast<unsigned char>(bytes[2 * i + 1]) : 0u;
        out += QString::number(lo | (hi << 8)) + u'x';
    }
    return out;
}

// Reads the numbers before each "x" back into bytes, low byte first, ending at
// the first zero byte.
QByteArray decodeWords(QStringView value) {
    QByteArray out;
    qsizetype pos = 0;
    for (int count = 0; count < 512; ++count) {
        const qsizetype x = value.indexOf(u'x', pos);
        if (x < 0) break;
        bool ok = false;
        const unsigned word = value.sliced(pos, x - pos).trimmed().toUInt(&ok) & 0xFFFF;
        pos = x + 1;
        const char lo = static_cast<char>(ok ? word & 0xFF : 0);
        const char hi = static_cast<char>(ok ? word >> 8 : 0);
        if (lo == 0) break;
        out += lo;
        if (hi == 0) break;
        out += hi;
    }
    return out;
}

std::array<int, 5> readSettingsList(const TZkwIni& settings, QStringView section, QStringView key) {
    const QString value = settings.readString(section, key, QString());
    if (value.isEmpty() || value.front() <= u' ') return {0, 0, 400, 400, 0};
    std::array<int, 5> numbers{};
    numbers[0] = StrToLong(value);
    qsizetype cursor = 0;
    for (int i = 1; i < 5; ++i)
        numbers[i] = NextListNumber(value, cursor);
    return numbers;
}
