#include "logdata/print_qsl_fmt.h"

#include "core/zk_dll5.h"
#include "logdata/zelkov50.h"

#include <QLocale>

#include <optional>

namespace {

QString fullWidth(const QString& s) {
    QString out;
    for (QChar c : s) {
        const char16_t u = c.unicode();
        out += u > 0x20 && u < 0x7F ? QChar(static_cast<char16_t>(u - 0x21 + 0xFF01))
               : u == 0x20          ? QChar(0x3000)
                                    : c;
    }
    return out;
}

QString two(int v) {
    return QString::number(v).rightJustified(2, u'0');
}

// The frequency as a number of MHz, when it is one.
double mhzOf(const QString& freq, bool* ok) {
    QString n;
    for (QChar c : freq) {
        if (c.isDigit() && c.unicode() <= u'9')
            n += c;
        else if ((c == u'.' || c == u',') && !n.contains(u'.'))
            n += u'.';
        else
            break;
    }
    return n.toDouble(ok);
}

std::optional<QString> code(const QsoRecord& q, QChar a, QChar b, const QDate& today) {
    const int yy = q.date.left(2).toInt();
    const int year = q.century * 100 + yy;
    const int month = q.date.mid(3, 2).toInt();
    const int day = q.date.mid(6, 2).toInt();
    const int hour = q.time.left(2).toInt();
    const int minute = q.time.mid(3, 2).toInt();
    const QString key = q.key.isEmpty() ? lookupKeyOf(q.call) : q.key;
    const QChar pair[] = {a, b};
    const QString c(pair, 2);
    if (c == u"cp") return q.call;
    if (c == u"CP") return fullWidth(q.call);
    if (c == u"PT") {
        // The call without its home call: "/1" of "JA1ABC/1", "KH2/" of "KH2/JA1ABC".
        if (!q.call.contains(u'/')) return QString();
        const QString home = lookupKeyOf(q.call).trimmed();
        const qsizetype at = q.call.toUpper().indexOf(home);
        return at < 0 ? QString() : q.call.left(at) + q.call.mid(at + home.size());
    }
    if (a == u'C' && b >= u'1' && b <= u'7') return key.mid(b.unicode() - u'1', 1);
    if (c == u"DY") return QString::number(year);
    if (c == u"Dy") return two(yy);
    if (c == u"DM") return two(month);
    if (c == u"Dm") return QString::number(month);
    if (c == u"DJ")
        return month >= 1 && month <= 12 ? QLocale::c().monthName(month, QLocale::ShortFormat)
                                         : QString();
    if (c == u"DD") return two(day);
    if (c == u"Dd") return QString::number(day);
    if (c == u"DT") return q.date;
    if (c == u"Th") return QString::number(hour);
    if (c == u"TH") return two(hour);
    if (c == u"Tm") return QString::number(minute);
    if (c == u"TM") return two(minute);
    if (c == u"HR") return q.hisRst;
    if (c == u"hR") return q.hisRst.mid(0, 1);
    if (c == u"hS") return q.hisRst.mid(1, 1);
    if (c == u"hT") return q.hisRst.mid(2, 1);
    if (c == u"FR") return q.freq.section(u'.', 0, 0);
    if (a == u'F' && b >= u'3' && b <= u'7') {
        bool ok = false;
        const double mhz = mhzOf(q.freq, &ok);
        switch (b.unicode()) {
            case u'3':  // three decimals
                return ok ? QString::number(mhz, 'f', 3) : q.freq;
            case u'4':  // MHz with its unit
                return ok ? QLocale::c().toString(mhz, 'g', 10) + QStringLiteral("MHz") : q.freq;
            case u'5':  // kHz
                return ok ? QString::number(qRound64(mhz * 1000)) + QStringLiteral("kHz") : q.freq;
            case u'6':  // the band's name
                return BandTexts(q.freq).first;
            default:  // the band's name and, cross band, the second band
            {
                const auto [first, second] = BandTexts(q.freq);
                return second.isEmpty() ? first : first + u'/' + second;
            }
        }
    }
    if (c == u"MD") return q.mode;
    if (c == u"JC") return q.code;
    if (c == u"Jc") return q.code2;
    if (c == u"QT") return q.qth;
    if (c == u"NA") return q.name;
    if (c == u"GL") return q.grid;
    if (c == u"NO") return QString::number(q.recno);
    if (c == u"R1") return q.remarks1;
    if (c == u"R2") return q.remarks2;
    if (c == u"Nw") return today.toString(QStringLiteral("yyyy/MM/dd"));
    return std::nullopt;  // not a code of the log
}

}  // namespace

QString expandLogCodes(const QsoRecord& qso, const QString& text, const QDate& today) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'!' && i + 2 < text.size()) {
            if (const std::optional<QString> value = code(qso, text[i + 1], text[i + 2], today)) {
                out += *value;
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

int PrintQslFmt(const ZkwHandle& handle, QString& output, const QString& text) {
    output = expandLogCodes(handle.rec, text, QDate::currentDate());
    return 0;
}
