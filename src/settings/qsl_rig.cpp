#include "settings/qsl_rig.h"

#include <QDir>
#include <QFileInfo>

#include "core/comma_text.h"
#include "core/sjis.h"
#include "core/zk_dll5.h"
#include "core/zkw_ini.h"
#include "logdata/qso_record.h"
#include "logdata/zkw_parse.h"

#include <QFileInfo>

namespace {

QString section(int n) {
    return QStringLiteral("No") + QString::number(n);
}

QStringList emptyRow() {
    return QStringList(kRigValueCount, QString());
}

QString emptyLine() {
    return commaTextJoin(QStringList(kRigValueCount + 1, QString()));
}

// The keyword after "Rig=": it ends at the first blank, else at the first of
// the first stop character that occurs at all, in this order.
QString keywordAfter(const QString& remark, qsizetype at) {
    QString word = remark.mid(at + 4);
    const qsizetype space = word.indexOf(u' ');
    if (space >= 0) return word.left(space);
    for (QChar stop : {u',', u'.', u';', u':', u'"', u'\t'}) {
        const qsizetype i = word.indexOf(stop);
        if (i >= 0) return word.left(i);
    }
    return word;
}

}  // namespace

const QStringList& rigValueKeys() {
    static const QStringList keys = {QStringLiteral("Freq"),     QStringLiteral("Rig"),
                                     QStringLiteral("Power"),    QStringLiteral("Ant"),
                                     QStringLiteral("High"),     QStringLiteral("Rmks"),
                                     QStringLiteral("Location"), QStringLiteral("Etc")};
    return keys;
}

RigAntTable RigAntTable::read(const TZkwIni& file) {
    RigAntTable t;
    t.max = std::clamp(file.readInteger(u"Count", u"Max", 99), 10, 999);
    t.rows.assign(static_cast<size_t>(t.max), emptyRow());
    for (int n = 1; n <= t.max; ++n) {
        const QString s = section(n);
        if (!file.hasSection(s)) continue;
        QStringList& row = t.rows[static_cast<size_t>(n - 1)];
        for (int k = 0; k < kRigValueCount; ++k)
            row[k] = file.readString(s, rigValueKeys()[k], QString());
    }
    return t;
}

void RigAntTable::write(TZkwIni& file) const {
    file.writeInteger(u"Count", u"Max", max);
    for (int n = 1; n <= max; ++n) {
        const QStringList& row = rows[static_cast<size_t>(n - 1)];
        bool blank = true;
        for (const QString& v : row)
            blank = blank && v.trimmed().isEmpty();
        if (blank) {
            file.eraseSection(section(n));
            continue;
        }
        for (int k = 0; k < kRigValueCount; ++k)
            file.writeString(section(n), rigValueKeys()[k], row[k]);
    }
}

QStringList RigAntTable::lineList() const {
    QStringList lines;
    for (int n = 1; n <= max; ++n)
        lines.append(commaTextJoin(QStringList{section(n)} + rows[static_cast<size_t>(n - 1)]));
    return lines;
}

bool RigAntTable::moveUp(int row) {
    if (row < 2 || row > max) return false;
    std::swap(rows[static_cast<size_t>(row - 1)], rows[static_cast<size_t>(row - 2)]);
    return true;
}

bool RigAntTable::moveDown(int row) {
    if (row < 1 || row >= max) return false;
    std::swap(rows[static_cast<size_t>(row - 1)], rows[static_cast<size_t>(row)]);
    return true;
}

void RigAntTable::insertRow(int row) {
    if (row < 1 || row > max) return;
    rows.insert(rows.begin() + (row - 1), emptyRow());
    rows.pop_back();
}

void RigAntTable::deleteRow(int row) {
    if (row < 1 || row > max) return;
    rows.erase(rows.begin() + (row - 1));
    rows.push_back(emptyRow());
}

void RigAntTable::setMax(int newMax) {
    max = std::clamp(newMax, 10, 999);
    rows.resize(static_cast<size_t>(max), emptyRow());
}

bool isCtyDat(const QString& path) {
    return QFileInfo(path).fileName().compare(QStringLiteral("CTY.DAT"), Qt::CaseInsensitive) == 0;
}

QString SelectRigLine(const QString& text, int& selection, const RigChoiceContext& c) {
    const QStringList empty;
    const QStringList& lines = c.lines ? *c.lines : empty;
    // Beginner mode without data: the "Rig:" and "Ant:" lines of the memo.
    if (!c.expertMode && lines.isEmpty()) {
        QStringList items(kRigValueCount + 1, QString());
        for (QString line : c.memo.split(u'\n')) {
            if (line.endsWith(u'\r')) line.chop(1);
            if (line.startsWith(u"Rig:", Qt::CaseInsensitive)) items[2] = line.mid(4);
            if (line.startsWith(u"Ant:", Qt::CaseInsensitive)) items[4] = line.mid(4);
        }
        return commaTextJoin(items);
    }
    auto line = [&](int n) { return n >= 1 && n <= lines.size() ? lines[n - 1] : emptyLine(); };
    if (selection >= 1) return line(selection);

    int number = 0;
    QString keyword;
    QString frequency;
    if (text.startsWith(u"Rig#", Qt::CaseInsensitive)) {
        number = StrToLong(QStringView(text).sliced(4));
        if (number <= 0) return emptyLine();
        selection = number;
        return line(number);
    }
    if (text.startsWith(u"Rig=", Qt::CaseInsensitive)) {
        keyword = keywordAfter(text, 0);
    } else {
        frequency = text;
        for (const QString* remark : {&c.remarks2, &c.remarks1}) {
            const qsizetype at = remark->indexOf(u"Rig#");
            if (at >= 0) {
                number = StrToLong(QStringView(*remark).sliced(at + 4));
                break;
            }
        }
        if (number <= 0) {
            for (const QString* remark : {&c.remarks2, &c.remarks1}) {
                const qsizetype at = remark->indexOf(u"Rig=");
                if (at >= 0) {
                    keyword = keywordAfter(*remark, at);
                    break;
                }
            }
        }
    }
    const int band = FreqPCheck(frequency);
    for (int n = 1; n <= lines.size(); ++n) {
        const QStringList items = commaTextSplit(lines[n - 1]);
        bool match = false;
        if (number > 0)
            match = lines[n - 1].startsWith(QStringLiteral("No%1,").arg(number));
        else if (!keyword.isEmpty())
            match = items.value(8) == keyword;
        else
            match = !items.value(1).isEmpty() && FreqPCheck(items.value(1)) == band &&
                    band != band::None;
        if (match) {
            selection = n;
            return lines[n - 1];
        }
    }
    return emptyLine();
}

QString rigChooserSummary(const QsoRecord& q) {
    auto pad = [](const QString& text, qsizetype width) {
        const qsizetype bytes = sjis::byteLength(text);
        return bytes >= width ? text : text + QString(width - bytes, u' ');
    };
    return QStringLiteral("No") + pad(QString::number(q.recno), 9) + pad(q.call, 19) +
           pad(q.date, 12) + pad(q.time + q.zone, 8) + pad(q.freq, 10) + pad(q.mode, 10) + u'\r' +
           pad(q.name, 16) + pad(q.code, 10) + pad(q.qth, 28) + u'\r' + q.remarks1 + u'\r' +
           q.remarks2;
}

RigAntTable RigAntTable::load(const QString& path) {
    const TZkwIni file(path);
    return read(file);
}

bool RigAntTable::save(const QString& path) const {
    TZkwIni file(path);
    write(file);
    return file.flush();
}

bool RigAntTable::saveMax(const QString& path, int max) {
    TZkwIni file(path);
    file.writeInteger(u"Count", u"Max", max);
    return file.flush();
}

QString defaultRigAntPath(const QString& programDir) {
    const QDir folder(programDir);
    for (const QString& name : {QStringLiteral("RigAnt.dat"), QStringLiteral("Rigant.dat")})
        if (QFileInfo(folder.filePath(name)).isFile()) return folder.filePath(name);
    const QStringList others = folder.entryList(QDir::Files);
    for (const QString& name : others)
        if (name.compare(QStringLiteral("rigant.dat"), Qt::CaseInsensitive) == 0)
            return folder.filePath(name);
    return folder.filePath(QStringLiteral("RigAnt.dat"));
}
