#include "settings/card_style.h"

#include "core/zk_dll5.h"
#include "core/zkw_ini.h"

#include <algorithm>

using namespace Qt::StringLiterals;

QPoint DrawingSettings::keptCallBox(QPoint at) {
    return {std::clamp(at.x(), 0, 240), std::clamp(at.y(), 0, 204)};
}

QPoint DrawingSettings::keptNameBox(QPoint at) {
    return {std::clamp(at.x(), 0, 294), std::clamp(at.y(), 0, 204)};
}

void DrawingSettings::load(const TZkwIni& ini) {
    backgroundColour = static_cast<unsigned>(ini.readInteger(u"Config", u"BakClor", 0xFFFFFF));
    const QString fontColourText = ini.readString(u"Config", u"FontColor", QString());
    if (fontColourText.trimmed().isEmpty()) {
        fontColour = 0xFF0000;
        fontStyle = 1;
    } else {
        qsizetype cursor = 0;
        fontColour = static_cast<unsigned>(StrToLong(fontColourText));
        fontStyle = fontColourText.contains(u',') ? NextListNumber(fontColourText, cursor) : 0;
    }
    fontName = ini.readString(u"Config", u"FontName", u"ＭＳ Ｐ明朝"_s);
    callFontName = ini.readString(u"CallFont", u"Name", u"ＭＳ ゴシック"_s);
    callColour = static_cast<unsigned>(ini.readInteger(u"CallFont", u"Color", 255));
    callSize = ini.readInteger(u"CallFont", u"Size", 72);
    nameColour = static_cast<unsigned>(ini.readInteger(u"CallFont", u"Color2", 255));
    callStyle = ini.readInteger(u"CallFont", u"Style", 1);
    alpha = ini.readInteger(u"Config", u"Alpha", 17);
    if (alpha < 1 || alpha > 25) alpha = 17;
    const std::array<int, 5> xy = readSettingsList(ini, u"Config", u"CallXY");
    // A missing value reads as 400, 400, which would put the name box out of
    // sight: the boxes are kept on the preview.
    callBox = keptCallBox({xy[0], xy[1]});
    nameBox = keptNameBox({xy[2], xy[3]});
}

void DrawingSettings::save(TZkwIni& ini) const {
    ini.writeInteger(u"Config", u"BakClor", static_cast<int>(backgroundColour));
    ini.writeInteger(u"Config", u"Alpha", alpha);
    ini.writeString(
        u"Config", u"CallXY",
        u"%1,%2,%3,%4"_s.arg(callBox.x()).arg(callBox.y()).arg(nameBox.x()).arg(nameBox.y()));
}

void DrawingSettings::saveTextFont(TZkwIni& ini) const {
    ini.writeString(u"Config", u"FontColor", u"%1,%2"_s.arg(fontColour).arg(fontStyle));
    ini.writeString(u"Config", u"FontName", fontName);
}

void DrawingSettings::saveCallFont(TZkwIni& ini) const {
    ini.writeString(u"CallFont", u"Name", callFontName);
    saveCallColour(ini);
    ini.writeInteger(u"CallFont", u"Size", callSize);
    ini.writeInteger(u"CallFont", u"Style", callStyle);
}

void DrawingSettings::saveCallColour(TZkwIni& ini) const {
    ini.writeInteger(u"CallFont", u"Color", static_cast<int>(callColour));
}

void DrawingSettings::saveNameColour(TZkwIni& ini) const {
    ini.writeInteger(u"CallFont", u"Color2", static_cast<int>(nameColour));
}

void DrawingSettings::resetCallFont(TZkwIni& ini) {
    ini.eraseSection(u"CallFont");
    load(ini);
}
