#include "settings/kankyo.h"

#include "core/app_info.h"
#include "core/bitmap_ops.h"
#include "core/comma_text.h"
#include "core/zk_dll5.h"
#include "core/zkw_ini.h"

namespace {

const QString kDefaultRule = QStringLiteral("H;*=W;");
const QString kDefaultModes = QStringLiteral("SSB=J3E;CW=A1,A1A;FM=F3,F3E");

QString rightTrimmed(QString s) {
    TrimRightSpaces(s);
    return s;
}

QString oldestDate(QString text) {
    text = text.leftJustified(8, u' ').left(8);
    text[2] = u'/';
    text[5] = u'/';
    return text;
}

}  // namespace

QString normalizedMarkRule(const QString& rule) {
    const QString r = rightTrimmed(rule.left(82));
    return r.trimmed().isEmpty() ? kDefaultRule : r;
}

QString EnvironmentSettings::serverBase() const {
    if (!alternateServer) return app::primaryServerBase();
    QString base = alternateServerBase.trimmed();
    if (base.isEmpty()) return app::alternateServerBase();
    if (!base.endsWith(u'/')) base += u'/';
    return base;
}

int EnvironmentSettings::checkBits() const {
    return (cardTime & 3) | (onlyUnsent ? 4 : 0) | (markAlreadySent ? 8 : 0) |
           (markAlreadyReceived ? 0x10 : 0) | (modeAliases ? 0x20 : 0) | (noMemoInMail ? 0x40 : 0) |
           (receiveAllMail ? 0x80 : 0) | (showAfterReceive ? 0x100 : 0) |
           (confirmInMaster ? 0x200 : 0) | (ownMessageBox ? 0x400 : 0) | (confirmRig ? 0x800 : 0) |
           (alternateServer ? 0x1000 : 0);
}

void EnvironmentSettings::setCheckBits(int bits) {
    cardTime = bits & 3;
    onlyUnsent = bits & 4;
    markAlreadySent = bits & 8;
    markAlreadyReceived = bits & 0x10;
    modeAliases = bits & 0x20;
    noMemoInMail = bits & 0x40;
    receiveAllMail = bits & 0x80;
    showAfterReceive = bits & 0x100;
    confirmInMaster = bits & 0x200;
    ownMessageBox = bits & 0x400;
    confirmRig = bits & 0x800;
    alternateServer = bits & 0x1000;
}

void EnvironmentSettings::load(const TZkwIni& ini, bool full) {
    setCheckBits(ini.readInteger(u"Kankyo", u"Check", 304));
    alternateServerBase = ini.readString(u"Kankyo", u"URL2", QString());
    oldestMatchDate = oldestDate(ini.readString(u"Kankyo", u"ShowGo", QStringLiteral("00/00/00")));
    sentMarkRule = normalizedMarkRule(ini.readString(u"Kankyo", u"QslSent", kDefaultRule));
    receivedMarkRule = normalizedMarkRule(ini.readString(u"Kankyo", u"QslRcv", kDefaultRule));
    excludedRoutes = rightTrimmed(ini.readString(u"Kankyo", u"QslVia", QString()));
    eligibleSentMarks = ini.readString(u"Kankyo", u"QslS2", QStringLiteral("N")).trimmed();
    portable = ini.readString(u"Kankyo", u"Potbl", QString());
    modeTable = ini.readString(u"Kankyo", u"ModeTbl", kDefaultModes);
    if (modeTable.trimmed().isEmpty()) modeTable = kDefaultModes;
    deleteOlderThan =
        (ini.readString(u"Kankyo", u"OldQso", QStringLiteral("0000")) + QStringLiteral("0000"))
            .left(4);
    toleranceMinutes = std::clamp(ini.readInteger(u"Kankyo", u"Gosa", 10), 0, 59);
    sendMax = std::max(3, ini.readInteger(u"Kankyo", u"SendMax", 25));
    if (!full) return;
    operatorNames.clear();
    for (int i = 0; i < 30; ++i) {
        const QString name =
            ini.readString(u"Kankyo", QStringLiteral("OpName%1").arg(i), QString());
        if (!name.trimmed().isEmpty()) operatorNames.append(name);
    }
    listFontName = ini.readString(u"Kankyo", u"FontName", QString());
    listFontSize = ini.readInteger(u"Kankyo", u"FontSize", 0);
    memoFontName = ini.readString(u"Kankyo", u"FontName2", QString());
    memoFontSize = ini.readInteger(u"Kankyo", u"FontSize2", 0);
    lineColor = ini.readInteger(u"Kankyo", u"LineColor", static_cast<int>(0x80000005));
    messageFontSize = ini.readInteger(u"Kankyo", u"MsgFont", 12);
    if (messageFontSize < 5) messageFontSize = 12;
    photoSize = ini.readInteger(u"Kankyo", u"JpSize", 0);
    if (photoSize > 4 || photoSize < 0) photoSize = 0;
}

void EnvironmentSettings::save(TZkwIni& ini, const QString& currentYyMm) {
    ini.writeInteger(u"Kankyo", u"Check", checkBits());
    deleteOlderThan = (deleteOlderThan + QStringLiteral("0000")).left(4);
    if (currentYyMm.toInt() < deleteOlderThan.toInt()) deleteOlderThan = currentYyMm;
    ini.writeString(u"Kankyo", u"OldQso", deleteOlderThan);
    for (int i = 0; i < 30; ++i)
        ini.writeString(u"Kankyo", QStringLiteral("OpName%1").arg(i), operatorNames.value(i));
    sentMarkRule = normalizedMarkRule(sentMarkRule);
    receivedMarkRule = normalizedMarkRule(receivedMarkRule);
    if (modeTable.trimmed().isEmpty()) modeTable = kDefaultModes;
    // As loading reads them, so that the run goes on with what the next start
    // will read: a blank typed after the routes would exclude every QSO with
    // a blank route until then.
    excludedRoutes = rightTrimmed(excludedRoutes);
    eligibleSentMarks = eligibleSentMarks.trimmed();
    ini.writeString(u"Kankyo", u"QslSent", sentMarkRule);
    ini.writeString(u"Kankyo", u"QslRcv", receivedMarkRule);
    ini.writeString(u"Kankyo", u"Potbl", portable);
    ini.writeString(u"Kankyo", u"QslVia", excludedRoutes);
    ini.writeString(u"Kankyo", u"QslS2", eligibleSentMarks);
    ini.writeString(u"Kankyo", u"ShowGo", oldestDate(oldestMatchDate));
    ini.writeInteger(u"Kankyo", u"Gosa", std::clamp(toleranceMinutes, 0, 59));
    saveSendMax(ini);
    ini.writeInteger(u"Kankyo", u"LineColor", lineColor);
    ini.writeString(u"Kankyo", u"ModeTbl", modeTable);
    ini.writeInteger(u"Kankyo", u"MsgFont", messageFontSize < 5 ? 12 : messageFontSize);
    ini.writeInteger(u"Kankyo", u"JpSize", photoSize);
    if (listFontChanged && !listFontName.isEmpty()) {
        ini.writeString(u"Kankyo", u"FontName", listFontName);
        ini.writeInteger(u"Kankyo", u"FontSize", listFontSize);
    }
    if (memoFontChanged && !memoFontName.isEmpty()) {
        ini.writeString(u"Kankyo", u"FontName2", memoFontName);
        ini.writeInteger(u"Kankyo", u"FontSize2", memoFontSize);
    }
    (void)ini.flush();  // a failure is told by the store itself
}

bool EnvironmentSettings::ModeMatches(const QString& logMode, const QString& cardMode) const {
    if (logMode == cardMode) return true;
    if (modeTable.size() <= 2) return true;
    const qsizetype at = modeTable.indexOf(logMode + u'=');
    if (at < 0) return false;
    const qsizetype start = at + logMode.size() + 1;
    const qsizetype end = modeTable.indexOf(u';', start);
    return commaTextSplit(
               QStringView(modeTable).sliced(start, (end < 0 ? modeTable.size() : end) - start))
        .contains(cardMode);
}

void EnvironmentSettings::saveSendMax(TZkwIni& ini) const {
    ini.writeInteger(u"Kankyo", u"SendMax", std::max(3, sendMax));
}

std::optional<QColor> EnvironmentSettings::alternateRowColour() const {
    return colourOfSetting(lineColor);
}
