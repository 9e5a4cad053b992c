#include "logdata/adif.h"

#include "core/app_info.h"
#include "core/sjis.h"
#include "core/whole_file.h"
#include "core/zk_dll5.h"
#include "logdata/log_store.h"
#include "logdata/zkw_parse.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringBuilder>
#include <QTime>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>

namespace {

constexpr qint64 kMaxFileBytes = 512LL * 1024 * 1024;
constexpr int kMaxFieldBytes = 64 * 1024;
constexpr int kMaxAdxDepth = 32;  // elements inside a field
// Skipped records named one by one in an import's report.
constexpr size_t kNamedSkips = 5;

int lineAt(const QByteArray& bytes, qsizetype pos, qsizetype& lastPos, int& lastLine) {
    for (qsizetype i = lastPos; i < pos && i < bytes.size(); ++i)
        if (bytes[i] == '\n') ++lastLine;
    lastPos = std::max(lastPos, pos);
    return lastLine;
}

// Whether only blanks stand between `end` and the next tag or the end.
bool endsAtTag(const QByteArray& bytes, qsizetype end) {
    qsizetype k = end;
    while (k < bytes.size() &&
           (bytes[k] == ' ' || bytes[k] == '\t' || bytes[k] == '\r' || bytes[k] == '\n'))
        ++k;
    return k >= bytes.size() || bytes[k] == '<';
}

// Field names are ASCII; comparing them needs no locale.
constexpr char16_t asciiUpper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

bool sameName(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (asciiUpper(static_cast<unsigned char>(a[i])) !=
            asciiUpper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Where `tag` ("<EOH>") first stands in the bytes from `from` on, in any
// letter case.
qsizetype findTag(const QByteArray& bytes, QByteArrayView tag, qsizetype from = 0) {
    for (qsizetype at = bytes.indexOf('<', from); at >= 0; at = bytes.indexOf('<', at + 1))
        if (sameName(QByteArrayView(bytes).sliced(at, std::min(tag.size(), bytes.size() - at)),
                     tag))
            return at;
    return -1;
}

// A piece of the file for a message: printable ASCII only, at most 40
// characters, so that a binary file never reaches the terminal.
QString printable(QByteArrayView bytes) {
    QString text;
    for (char c : bytes.first(std::min<qsizetype>(bytes.size(), 40)))
        text += c >= 0x20 && c < 0x7F ? QChar::fromLatin1(c) : QChar(u'?');
    return text;
}

// Whether the bytes hold at least one ADIF field or header end.
bool looksLikeAdif(const QByteArray& bytes) {
    return findTag(bytes, "<EOH>") >= 0 || findTag(bytes, "<CALL:") >= 0 ||
           findTag(bytes, "<EOR>") >= 0 || findTag(bytes, "<ADIF_VER:") >= 0;
}

// A non-negative decimal count, -1 when it is none or too large.
int fieldLength(QByteArrayView text) {
    if (text.isEmpty() || text.size() > 9) return -1;
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

bool allDigits(const QString& s) {
    for (QChar c : s)
        if (c < u'0' || c > u'9') return false;
    return true;
}

QChar markOf(const QString& adifStatus) {
    const QString s = adifStatus.trimmed().toUpper();
    if (s == u"Y") return u'Y';
    if (s == u"N") return u'N';
    return u' ';
}

}  // namespace

namespace {

const QMap<QString, QString>& bandTable() {
    static const QMap<QString, QString> table = {
        {QStringLiteral("160M"), QStringLiteral("1.9")},
        {QStringLiteral("80M"), QStringLiteral("3.5")},
        {QStringLiteral("40M"), QStringLiteral("7")},
        {QStringLiteral("30M"), QStringLiteral("10")},
        {QStringLiteral("20M"), QStringLiteral("14")},
        {QStringLiteral("17M"), QStringLiteral("18")},
        {QStringLiteral("15M"), QStringLiteral("21")},
        {QStringLiteral("12M"), QStringLiteral("24")},
        {QStringLiteral("10M"), QStringLiteral("28")},
        {QStringLiteral("6M"), QStringLiteral("50")},
        {QStringLiteral("2M"), QStringLiteral("144")},
        {QStringLiteral("70CM"), QStringLiteral("430")},
        {QStringLiteral("23CM"), QStringLiteral("1200")},
        {QStringLiteral("13CM"), QStringLiteral("2400")},
        {QStringLiteral("6CM"), QStringLiteral("5600")},
        {QStringLiteral("3CM"), QStringLiteral("10G")},
    };
    return table;
}

}  // namespace

QString mhzOfBand(const QString& band) {
    return bandTable().value(band.trimmed().toUpper());
}

QString bandOfLogMhz(const QString& mhz) {
    return bandTable().key(mhz.trimmed().toUpper()).toLower();
}

QString AdifFields::value(QStringView name) const {
    const Item* item = find(name);
    return item ? decode(item->value) : QString();
}

QString AdifFields::decode(QByteArrayView value) const {
    return utf8_ ? QString::fromUtf8(value) : sjis::toUnicode(value);
}

void AdifFields::insert(QByteArrayView name, QByteArrayView value) {
    for (const Item& item : items_)
        if (sameName(item.name, name)) return;
    items_.push_back({name, value});
}

QByteArrayView AdifFields::keep(const QByteArray& text) {
    kept_.push_back(text);
    return kept_.back();
}

void AdifFields::setSource(const QByteArray& bytes, bool utf8) {
    source_ = bytes;
    utf8_ = utf8;
}

const AdifFields::Item* AdifFields::find(QStringView name) const {
    for (const Item& item : items_) {
        if (item.name.size() != name.size()) continue;
        bool same = true;
        for (qsizetype i = 0; same && i < name.size(); ++i)
            same = asciiUpper(name[i].unicode()) ==
                   asciiUpper(static_cast<unsigned char>(item.name[i]));
        if (same) return &item;
    }
    return nullptr;
}

AdifParse parseAdi(const QByteArray& bytes) {
    std::vector<AdifRecord> records;
    AdifParse out = parseAdi(bytes, [&records](const AdifRecord& r) {
        records.push_back(r);
        return true;
    });
    out.records = std::move(records);
    return out;
}

AdifParse parseAdi(const QByteArray& bytes, const std::function<bool(const AdifRecord&)>& take,
                   bool strict) {
    AdifParse out;
    const bool utf8 = sjis::looksLikeUtf8(bytes);
    qsizetype pos = 0;
    qsizetype linePos = 0;
    int line = 1;
    // A file that does not start with "<" has a header up to <EOH>.
    if (!bytes.startsWith('<')) {
        const qsizetype eoh = findTag(bytes, "<EOH>");
        pos = eoh < 0 ? 0 : eoh + 5;
    }
    AdifRecord current;
    current.fields.setSource(bytes, utf8);
    bool inRecord = false;
    while (true) {
        const qsizetype lt = bytes.indexOf('<', pos);
        if (lt < 0) break;
        const qsizetype gt = bytes.indexOf('>', lt);
        const int tagLine = lineAt(bytes, lt, linePos, line);
        if (gt < 0) {
            if (strict) {
                out.error = QStringLiteral("unterminated tag");
                out.errorLine = tagLine;
            } else if (inRecord) {
                out.faults.push_back({current.line, QStringLiteral("unterminated tag")});
            }
            break;
        }
        const QByteArrayView tag = QByteArrayView(bytes).sliced(lt + 1, gt - lt - 1).trimmed();
        const qsizetype colon = tag.indexOf(':');
        const QByteArrayView name = (colon < 0 ? tag : tag.first(colon)).trimmed();
        pos = gt + 1;
        if (sameName(name, "EOR")) {
            if (inRecord && !current.fields.isEmpty() && !take(current)) break;
            current.fields.clear();
            inRecord = false;
            continue;
        }
        if (sameName(name, "EOH")) continue;
        if (colon < 0) continue;  // a tag without a length holds no data
        const QByteArrayView rest = tag.sliced(colon + 1);
        const qsizetype typeColon = rest.indexOf(':');
        const int length = fieldLength((typeColon < 0 ? rest : rest.first(typeColon)).trimmed());
        QString fault;
        if (length < 0 || length > kMaxFieldBytes || name.isEmpty())
            fault = QStringLiteral("bad field length: <%1>").arg(printable(tag));
        else if (pos + length > bytes.size())
            fault =
                QStringLiteral("field runs past the end of the file: <%1>").arg(printable(name));
        if (!fault.isEmpty()) {
            if (strict) {
                out.error = fault;
                out.errorLine = tagLine;
                break;
            }
            // The record is left out; reading goes on after its end.
            out.faults.push_back({inRecord ? current.line : tagLine, fault});
            current.fields.clear();
            inRecord = false;
            const qsizetype eor = findTag(bytes, "<EOR>", pos);
            if (eor < 0) break;
            pos = eor + 5;
            continue;
        }
        qsizetype valueBytes = length;
        if (utf8 && !endsAtTag(bytes, pos + length)) {
            // Some programs count characters, not bytes: take as many
            // characters when that ends where the next field starts.
            const QString asChars =
                QString::fromUtf8(bytes.mid(pos, qsizetype{length} * 4)).left(length);
            const qsizetype charBytes = asChars.toUtf8().size();
            if (endsAtTag(bytes, pos + charBytes)) valueBytes = charBytes;
        }
        if (!inRecord) {
            current.line = tagLine;
            inRecord = true;
        }
        current.fields.insert(name, QByteArrayView(bytes).sliced(pos, valueBytes));
        pos += valueBytes;
    }
    return out;
}

namespace {

// The fields a QSO takes, looked up in one pass over a record.
enum Slot {
    Call,
    QsoDate,
    TimeOn,
    Freq,
    Band,
    Mode,
    Submode,
    RstSent,
    RstRcvd,
    QslSent,
    QslRcvd,
    QslSentVia,
    QslVia,
    OwnQsl,
    NameIntl,
    Name,
    QthIntl,
    Qth,
    Grid,
    CommentIntl,
    Comment,
    NotesIntl,
    Notes,
    Dxcc,
    Cnty,
    SlotCount
};

constexpr std::pair<const char*, Slot> kSlots[] = {
    {"CALL", Call},          {"QSO_DATE", QsoDate},
    {"TIME_ON", TimeOn},     {"FREQ", Freq},
    {"BAND", Band},          {"MODE", Mode},
    {"SUBMODE", Submode},    {"RST_SENT", RstSent},
    {"RST_RCVD", RstRcvd},   {"QSL_SENT", QslSent},
    {"QSL_RCVD", QslRcvd},   {"QSL_SENT_VIA", QslSentVia},
    {"QSL_VIA", QslVia},     {"APP_SENDVIK_QSL", OwnQsl},
    {"NAME_INTL", NameIntl}, {"NAME", Name},
    {"QTH_INTL", QthIntl},   {"QTH", Qth},
    {"GRIDSQUARE", Grid},    {"COMMENT_INTL", CommentIntl},
    {"COMMENT", Comment},    {"NOTES_INTL", NotesIntl},
    {"NOTES", Notes},        {"DXCC", Dxcc},
    {"CNTY", Cnty},
};

}  // namespace

bool qsoFromAdif(const AdifRecord& r, QsoRecord& q, QString& why) {
    QString v[SlotCount];
    r.fields.forEach([&](QByteArrayView name, QByteArrayView value) {
        for (const auto& [slotName, slot] : kSlots) {
            if (sameName(name, slotName)) {
                v[slot] = r.fields.decode(value);
                return;
            }
        }
    });
    for (QString& s : v)
        if (!s.isEmpty() && (s.front().isSpace() || s.back().isSpace())) s = s.trimmed();
    auto intl = [&v](Slot intlSlot, Slot plain) {
        return v[intlSlot].isEmpty() ? v[plain] : v[intlSlot];
    };
    q = QsoRecord();
    q.call = v[Call].toUpper();
    if (q.call.isEmpty()) {
        why = QStringLiteral("no CALL");
        return false;
    }
    const QString& dateText = v[QsoDate];
    const QString& timeText = v[TimeOn];
    const QDate date = dateText.size() == 8 && allDigits(dateText)
                           ? QDate(dateText.left(4).toInt(), dateText.mid(4, 2).toInt(),
                                   dateText.mid(6, 2).toInt())
                           : QDate();
    const QTime time = (timeText.size() == 4 || timeText.size() == 6) && allDigits(timeText)
                           ? QTime(timeText.left(2).toInt(), timeText.mid(2, 2).toInt())
                           : QTime();
    if (!date.isValid()) {
        why = dateText.isEmpty() ? QStringLiteral("no QSO_DATE") : QStringLiteral("bad QSO_DATE");
        return false;
    }
    if (!time.isValid()) {
        why = timeText.isEmpty() ? QStringLiteral("no TIME_ON") : QStringLiteral("bad TIME_ON");
        return false;
    }
    q.century = date.year() / 100;
    const QStringView dv(dateText);
    const QStringView tv(timeText);
    q.date = dv.mid(2, 2) % u'/' % dv.mid(4, 2) % u'/' % dv.mid(6, 2);
    q.time = tv.left(2) % u':' % tv.mid(2, 2);
    q.zone = u'U';  // ADIF times are UTC
    q.freq = v[Freq].isEmpty() ? mhzOfBand(v[Band]) : v[Freq];
    q.mode = v[Mode].toUpper();
    const QString submode = v[Submode].toUpper();
    if (!submode.isEmpty() && (q.mode == u"MFSK" || q.mode == u"PSK")) q.mode = submode;
    q.hisRst = v[RstSent];
    q.myRst = v[RstRcvd];
    q.qslSent = markOf(v[QslSent]);
    q.qslRcvd = markOf(v[QslRcvd]);
    const QString via = v[QslSentVia].toUpper();
    if (!v[QslVia].isEmpty())
        q.qslRoute = u'M';  // a manager
    else if (via.size() == 1)
        q.qslRoute = via.front() == u'B' ? QChar(u'J') : via.front();
    // Our own export keeps the QSL column exactly (untrimmed: blanks are marks).
    const QString own = r.fields.value(u"APP_SENDVIK_QSL");
    if (own.size() == 3) {
        q.qslRoute = own[0];
        q.qslSent = own[1];
        q.qslRcvd = own[2];
    }
    q.name = intl(NameIntl, Name);
    q.qth = intl(QthIntl, Qth);
    q.grid = v[Grid];
    q.remarks1 = intl(CommentIntl, Comment);
    q.remarks2 = intl(NotesIntl, Notes);
    const QString& dxcc = v[Dxcc];
    if (!dxcc.isEmpty() && dxcc != u"339") q.flags |= qso_flag::DxStation;
    if (dxcc.isEmpty() || dxcc == u"339") {
        // Japanese areas: the city, county or ward number (JCC/JCG).
        QString code = v[Cnty].section(u',', -1).trimmed();
        bool numeric = !code.isEmpty() && code.size() <= 7;
        for (QChar c : code)
            numeric = numeric && (c.isDigit() || c.isLetter());
        if (numeric) q.code = code;
    }
    q.key = lookupKeyOf(q.call);
    return true;
}

namespace {

// Why a record is left out, as the person reads it. The English reasons stay
// what they are: they are the keys of the import's counts, which scripts read.
QString reasonText(const QString& why) {
    static const std::pair<QStringView, QStringView> kTexts[] = {
        {u"no CALL", u"CALLがありません"},
        {u"no QSO_DATE", u"QSO_DATEがありません"},
        {u"bad QSO_DATE", u"QSO_DATEが不正です"},
        {u"no TIME_ON", u"TIME_ONがありません"},
        {u"bad TIME_ON", u"TIME_ONが不正です"},
        {u"bad field length", u"フィールドの長さが不正です"},
        {u"field runs past the end of the file", u"フィールドがファイルの終わりを越えています"},
        {u"unterminated tag", u"タグが閉じていません"},
    };
    const qsizetype colon = why.indexOf(QStringLiteral(": "));
    const QStringView reason = colon < 0 ? QStringView(why) : QStringView(why).first(colon);
    for (const auto& [key, text] : kTexts)
        if (reason == key) return text.toString().append(QStringView(why).sliced(reason.size()));
    return why;
}

}  // namespace

ImportResult importAdif(LogStore& log, const QString& path, bool strict) {
    ImportResult result;
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error =
            QStringLiteral("ADIFファイルを読めません: %1（%2）").arg(shown, file.errorString());
        return result;
    }
    if (file.size() > kMaxFileBytes) {
        result.error = QStringLiteral("ADIFファイルが大きすぎます: ") + shown;
        return result;
    }
    const QByteArray bytes = file.readAll();
    const bool xml = bytes.trimmed().startsWith("<?xml") ||
                     path.endsWith(QStringLiteral(".adx"), Qt::CaseInsensitive);
    if (!xml && !looksLikeAdif(bytes)) {
        result.error =
            QStringLiteral("ADIFファイルではありません（ADIFのフィールドがありません）: ") + shown;
        return result;
    }
    // A bulk import writes the pages once with a rollback journal instead of
    // twice through the write-ahead log; the switch only happens while no
    // other program has the log open, and is undone afterwards.
    struct JournalForBulk {
        SqliteDb& db;
        // Speed only: the import is right in either journal mode.
        explicit JournalForBulk(SqliteDb& d) : db(d) {
            (void)db.exec("PRAGMA journal_mode = DELETE");
        }
        ~JournalForBulk() { (void)db.exec("PRAGMA journal_mode = WAL"); }
    } journal(log.db());
    SqliteTransaction tx(log.db());
    if (!tx.active()) {
        result.error = QStringLiteral("QSOデータが使用中です（%1）").arg(log.db().errorText());
        return result;
    }
    // Records go into the log as they are read; any failure rolls all back.
    QString failure;
    const auto skip = [&result](int line, const QString& why) {
        ++result.skipped;
        const QString reason = why.section(QStringLiteral(": "), 0, 0);  // without the detail
        auto counted = std::find_if(result.skippedBy.begin(), result.skippedBy.end(),
                                    [&](const auto& r) { return r.first == reason; });
        if (counted == result.skippedBy.end())
            result.skippedBy.emplace_back(reason, 1);
        else
            ++counted->second;
        if (result.firstSkipped.size() < kNamedSkips)
            result.firstSkipped.emplace_back(line, reasonText(why));
    };
    auto take = [&](const AdifRecord& r) {
        QsoRecord q;
        QString why;
        if (!qsoFromAdif(r, q, why)) {
            skip(r.line, why);
            return true;
        }
        switch (log.insert(q)) {
            case LogStore::InsertResult::Added: ++result.added; return true;
            case LogStore::InsertResult::Duplicate: ++result.duplicates; return true;
            case LogStore::InsertResult::Failed:
                failure = QStringLiteral("%1 の %2行目: %3")
                              .arg(shown, QString::number(r.line), log.errorText());
                return false;
        }
        return false;
    };
    AdifParse parsed;
    if (xml) {
        parsed = parseAdx(bytes);
        for (const AdifRecord& r : parsed.records)
            if (!take(r)) break;
    } else {
        parsed = parseAdi(bytes, take, strict);
    }
    for (const auto& [line, fault] : parsed.faults)
        skip(line, fault);
    std::sort(result.firstSkipped.begin(), result.firstSkipped.end());
    std::stable_sort(result.skippedBy.begin(), result.skippedBy.end(),
                     [](const auto& a, const auto& b) {
                         return a.second != b.second ? a.second > b.second : a.first < b.first;
                     });
    if (result.firstSkipped.size() > kNamedSkips) result.firstSkipped.resize(kNamedSkips);
    if (failure.isEmpty() && !parsed.error.isEmpty())
        failure = QStringLiteral("%1 の %2行目: %3")
                      .arg(shown, QString::number(parsed.errorLine),
                           xml ? QStringLiteral("XMLが正しくありません（%1）").arg(parsed.error)
                               : reasonText(parsed.error));
    if (!failure.isEmpty()) {
        result = ImportResult();
        result.error = failure;
        return result;  // the transaction rolls back
    }
    if (!tx.commit()) {
        result.error = QStringLiteral("QSOデータに書き込めません（%1）").arg(log.db().errorText());
        result.added = result.duplicates = 0;
    }
    return result;
}

namespace {

QString attribute(const QXmlStreamAttributes& attributes, QStringView name) {
    for (const QXmlStreamAttribute& a : attributes)
        if (a.name().compare(name, Qt::CaseInsensitive) == 0) return a.value().toString();
    return {};
}

}  // namespace

AdifParse parseAdx(const QByteArray& bytes) {
    AdifParse out;
    QXmlStreamReader xml(bytes);
    AdifRecord current;
    bool inRecord = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QString name = xml.name().toString().toUpper();
            if (name == u"RECORD") {
                current = AdifRecord();
                current.line = static_cast<int>(xml.lineNumber());
                inRecord = true;
                continue;
            }
            if (!inRecord) continue;
            QString field = name;
            const QXmlStreamAttributes a = xml.attributes();
            if (name == u"APP")
                field = QStringLiteral("APP_%1_%2")
                            .arg(attribute(a, u"PROGRAMID"), attribute(a, u"FIELDNAME"))
                            .toUpper();
            else if (name == u"USERDEF")
                field = attribute(a, u"FIELDNAME").toUpper();
            // The field's text with that of the elements inside it, read
            // without recursion and to a bounded depth.
            QString value;
            for (int depth = 1; depth > 0 && !xml.atEnd();) {
                xml.readNext();
                if (xml.isStartElement() && ++depth > kMaxAdxDepth) {
                    xml.raiseError(
                        QStringLiteral("要素の入れ子が深すぎます（%1段まで）").arg(kMaxAdxDepth));
                    break;
                }
                if (xml.isEndElement()) --depth;
                if (xml.isCharacters() && value.size() <= kMaxFieldBytes) value += xml.text();
            }
            if (xml.hasError()) break;
            if (!field.isEmpty() && value.size() <= kMaxFieldBytes)
                current.fields.insert(current.fields.keep(field.toUtf8()),
                                      current.fields.keep(value.toUtf8()));
        } else if (xml.isEndElement() && xml.name().compare(u"RECORD", Qt::CaseInsensitive) == 0) {
            if (inRecord && !current.fields.isEmpty()) out.records.push_back(current);
            inRecord = false;
        }
    }
    if (xml.hasError()) {
        out.error = xml.errorString();
        out.errorLine = static_cast<int>(xml.lineNumber());
    }
    return out;
}

namespace {

struct ExportField {
    const char* name;
    QString value;
};

bool isAscii(const QString& s) {
    for (QChar c : s)
        if (c.unicode() >= 0x80) return false;
    return true;
}

// The ADIF fields of a QSO, times in UTC.
std::vector<ExportField> exportFields(const QsoRecord& q) {
    const QDate d(q.century * 100 + q.date.left(2).toInt(), q.date.mid(3, 2).toInt(),
                  q.date.mid(6, 2).toInt());
    const QTime t(q.time.left(2).toInt(), q.time.mid(3, 2).toInt());
    const QDateTime utc = QDateTime(d, t, q.zone == u'J' ? Qt::LocalTime : Qt::UTC).toUTC();
    bool numeric = false;
    QString(q.freq).replace(u',', u'.').toDouble(&numeric);
    auto yesNo = [](QChar mark) {
        return mark == u' ' || mark == u'N' ? QStringLiteral("N") : QStringLiteral("Y");
    };
    QString via;
    if (q.qslRoute == u'J')
        via = QStringLiteral("B");
    else if (q.qslRoute == u'D' || q.qslRoute == u'E')
        via = QString(q.qslRoute);
    return {
        {"CALL", q.call},
        {"QSO_DATE", utc.date().toString(QStringLiteral("yyyyMMdd"))},
        {"TIME_ON", utc.time().toString(QStringLiteral("HHmm"))},
        {"BAND", BandTexts(q.freq).first},
        {"FREQ", numeric ? QString(q.freq).replace(u',', u'.') : QString()},
        {"MODE", q.mode},
        {"RST_SENT", q.hisRst},
        {"RST_RCVD", q.myRst},
        {"QSL_SENT", yesNo(q.qslSent)},
        {"QSLSDATE", q.sentDate},
        {"QSL_SENT_VIA", via},
        {"QSL_RCVD", yesNo(q.qslRcvd)},
        {"QSLRDATE", q.rcvdDate},
        {"NAME", q.name},
        {"QTH", q.qth},
        {"GRIDSQUARE", q.grid},
        {"CNTY", q.code},
        {"COMMENT", q.remarks1},
        {"NOTES", q.remarks2},
        {"APP_SENDVIK_QSL", q.qslField().trimmed().isEmpty() ? QString() : q.qslField()},
    };
}

void writeAdi(QByteArray& out, const std::vector<ExportField>& fields) {
    for (const ExportField& f : fields) {
        if (f.value.isEmpty()) continue;
        const QByteArray bytes = sjis::fromUnicode(f.value);
        out +=
            '<' + QByteArray(f.name) + ':' + QByteArray::number(bytes.size()) + '>' + bytes + ' ';
    }
    out += "<EOR>\r\n";
}

void writeAdx(QXmlStreamWriter& xml, const std::vector<ExportField>& fields) {
    xml.writeStartElement(QStringLiteral("RECORD"));
    for (const ExportField& f : fields) {
        if (f.value.isEmpty()) continue;
        const QString name = QString::fromLatin1(f.name);
        if (name == u"APP_SENDVIK_QSL") {
            xml.writeStartElement(QStringLiteral("APP"));
            xml.writeAttribute(QStringLiteral("PROGRAMID"), QStringLiteral("SENDVIK"));
            xml.writeAttribute(QStringLiteral("FIELDNAME"), QStringLiteral("QSL"));
            xml.writeAttribute(QStringLiteral("TYPE"), QStringLiteral("S"));
            xml.writeCharacters(f.value);
            xml.writeEndElement();
        } else {
            // Japanese text goes into the international fields.
            const bool intl = !isAscii(f.value) && (name == u"NAME" || name == u"QTH" ||
                                                    name == u"COMMENT" || name == u"NOTES");
            xml.writeTextElement(intl ? name + QStringLiteral("_INTL") : name, f.value);
        }
    }
    xml.writeEndElement();
}

}  // namespace

ExportResult exportAdif(LogStore& log, const QString& path) {
    ExportResult result;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != u"adi" && suffix != u"adif" && suffix != u"adx") {
        result.error = QStringLiteral(
                           "QSOデータはADIFでのみ書き出せます。ファイル名を .adi"
                           "（.adif）か .adx にしてください: ") +
                       QDir::toNativeSeparators(path);
        return result;
    }
    const bool adx = suffix == u"adx";
    QByteArray out;
    QXmlStreamWriter xml(&out);
    const QString program = QStringLiteral("Sendvik");
    if (adx) {
        xml.setAutoFormatting(true);
        xml.writeStartDocument();
        xml.writeStartElement(QStringLiteral("ADX"));
        xml.writeStartElement(QStringLiteral("HEADER"));
        xml.writeTextElement(QStringLiteral("ADIF_VER"), QStringLiteral("3.1.4"));
        xml.writeTextElement(QStringLiteral("PROGRAMID"), program);
        xml.writeTextElement(QStringLiteral("PROGRAMVERSION"), app::versionText());
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("RECORDS"));
    } else {
        out = "ADIF export of " + program.toLatin1() +
              "\r\n<ADIF_VER:5>3.1.4 <PROGRAMID:7>Sendvik "
              "<PROGRAMVERSION:" +
              QByteArray::number(app::versionText().size()) + '>' + app::versionText().toLatin1() +
              " <EOH>\r\n";
    }
    const int count = log.recordCount();
    QsoRecord q;
    for (int recno = 1; recno <= count; ++recno) {
        if (!log.read(recno, q)) continue;
        const std::vector<ExportField> fields = exportFields(q);
        if (adx)
            writeAdx(xml, fields);
        else
            writeAdi(out, fields);
        ++result.written;
    }
    if (adx) xml.writeEndDocument();
    QString why;
    if (!writeWholeFile(path, out, FileSync::Now, &why)) {
        result.error = QStringLiteral("ADIFファイルが保存できません: %1（%2）")
                           .arg(QDir::toNativeSeparators(path), why);
        result.written = 0;
    }
    return result;
}

ImportResult importAdifInto(const QString& mstPath, const QString& path, bool strict) {
    const QString data = LogStore::dataPathFor(mstPath);
    const bool fresh = !QFileInfo::exists(mstPath) && !QFileInfo::exists(data);
    ImportResult result;
    {
        LogStore store;
        if (!store.open(mstPath, true))
            result.error = QStringLiteral("QSOデータを開けません: ") + store.errorText();
        else
            result = importAdif(store, path, strict);
    }
    if (!result.error.isEmpty() && fresh)
        for (const QString& made : {mstPath, data})
            QFile::remove(made);
    return result;
}

namespace {

constexpr qint64 kFollowChunk = 16LL * 1024 * 1024;
constexpr qint64 kFollowHead = 4096;

QString headPrint(const QByteArray& head) {
    return QString::fromLatin1(QCryptographicHash::hash(head, QCryptographicHash::Sha1).toHex());
}

}  // namespace

FollowResult followAdif(LogStore& log, const QString& path, FollowedFile& followed) {
    FollowResult out;
    ImportResult& r = out.counts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        r.error = QStringLiteral("ADIFファイルを読めません: %1（%2）")
                      .arg(QDir::toNativeSeparators(path), file.errorString());
        return out;
    }
    const qint64 size = file.size();
    // Shorter than where the last reading ended, or another head: rewritten.
    const qint64 headSize = std::min(followed.position, kFollowHead);
    if (followed.position > size || headPrint(file.read(headSize)) != followed.head ||
        followed.position == 0) {
        out.restarted = followed.position > 0;
        followed.position = 0;
    }
    if (!file.seek(followed.position)) {
        r.error = QStringLiteral("ADIFファイルを読めません: ") + QDir::toNativeSeparators(path);
        return out;
    }
    const QByteArray tail = file.read(std::min(size - followed.position, kFollowChunk));
    // A log not yet written waits; a file with text but no ADIF field is none.
    if (followed.position == 0 && !tail.trimmed().isEmpty() && !looksLikeAdif(tail)) {
        r.error = QStringLiteral("ADIFファイルではありません（ADIFのフィールドがありません）: ") +
                  QDir::toNativeSeparators(path);
        return out;
    }
    // Complete records only: up to the last <EOR>.
    qsizetype end = -1;
    for (qsizetype at = findTag(tail, "<EOR>"); at >= 0; at = findTag(tail, "<EOR>", at + 5))
        end = at + 5;
    if (end < 0) return out;
    const QByteArray chunk = tail.left(end);
    SqliteTransaction tx(log.db());
    if (!tx.active()) {
        r.error = QStringLiteral("QSOデータが使用中です（%1）").arg(log.db().errorText());
        return out;
    }
    QString failure;
    const AdifParse parsed = parseAdi(
        chunk,
        [&](const AdifRecord& record) {
            QsoRecord q;
            QString why;
            if (!qsoFromAdif(record, q, why)) {
                ++r.skipped;
                if (r.firstSkipped.size() < kNamedSkips)
                    r.firstSkipped.emplace_back(record.line, reasonText(why));
                return true;
            }
            switch (log.insert(q)) {
                case LogStore::InsertResult::Added:
                    ++r.added;
                    out.added.emplace_back(log.recordCount(), q);
                    return true;
                case LogStore::InsertResult::Duplicate: ++r.duplicates; return true;
                case LogStore::InsertResult::Failed: failure = log.errorText(); return false;
            }
            return false;
        },
        false);
    r.skipped += static_cast<int>(parsed.faults.size());
    if (!failure.isEmpty() || !tx.commit()) {
        r.error = failure.isEmpty() ? log.db().errorText() : failure;
        r.added = 0;
        out.added.clear();
        return out;
    }
    followed.position += end;
    file.seek(0);
    followed.head = headPrint(file.read(std::min(followed.position, kFollowHead)));
    return out;
}
