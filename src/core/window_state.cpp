#include "core/window_state.h"

#include "core/zk_dll5.h"
#include "core/zkw_ini.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The rig editor's place and column widths when none are stored.
const QString kRigEditorDefault = u"9,9,640,400,49,150,57,160,45,240,85,88"_s;

const QString kReceivedListDefault = u"9,9,746,600,54,390,144"_s;
const QString kSentListDefault = u"9,9,700,600,36,366,144"_s;
constexpr int kReceivedListColumns = 9;
constexpr int kSentListColumns = 4;

// left, top, width, height, then `columns` widths; the cursor left behind them.
WindowState::ListPlace listPlaceOf(const QString& list, int columns, qsizetype& cursor) {
    WindowState::ListPlace place;
    const int left = StrToLong(list);
    const int top = NextListNumber(list, cursor);
    const int width = NextListNumber(list, cursor);
    const int height = NextListNumber(list, cursor);
    place.geometry = QRect(left, top, width, height);
    for (int c = 0; c < columns; ++c)
        place.columnWidths.push_back(NextColumnWidth(list, cursor));
    return place;
}

void takeSwitches(WindowState::ListPlace& place, int word, int defaultOrder) {
    place.order = (word & 3) > 2 ? defaultOrder : word & 3;
    place.descending = (word & 4) != 0;
    place.third = (word & 8) != 0;
}

QString listPlaceText(const WindowState::ListPlace& place) {
    const QRect& g = place.geometry;
    QString text = u"%1,%2,%3,%4,"_s.arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height());
    for (int width : place.columnWidths)
        text += QString::number(width) + u',';
    return text;
}

bool stored(const TZkwIni& settings, QStringView key) {
    return !settings.readString(u"Config", key, QString()).isEmpty();
}

}  // namespace

QRect WindowState::mainPlace() const {
    const std::array<int, 5> pos = readSettingsList(settings_, u"Config", u"Pos");
    return QRect(pos[0], pos[1], pos[2], pos[3]);
}

void WindowState::setMainPlace(const QRect& p) {
    settings_.writeString(
        u"Config", u"Pos",
        u"%1,%2,%3,%4"_s.arg(p.left()).arg(p.top()).arg(p.width()).arg(p.height()));
}

std::optional<QPoint> WindowState::previewPlace() const {
    if (!stored(settings_, u"ViewPos")) return std::nullopt;
    const std::array<int, 5> place = readSettingsList(settings_, u"Config", u"ViewPos");
    return QPoint(place[0], place[1]);
}

void WindowState::setPreviewPlace(QPoint p) {
    settings_.writeString(u"Config", u"ViewPos", u"%1,%2"_s.arg(p.x()).arg(p.y()));
}

WindowState::ViewerPlace WindowState::viewerPlace() const {
    ViewerPlace v;
    if (!stored(settings_, u"QslPos")) return v;
    const std::array<int, 5> place = readSettingsList(settings_, u"Config", u"QslPos");
    v.at = QPoint(place[0], place[1]);
    v.sortMode = place[3];
    return v;
}

void WindowState::setViewerPlace(const QRect& g, int sortMode) {
    settings_.writeString(u"Config", u"QslPos",
                          u"%1,%2,%3,%4"_s.arg(g.x()).arg(g.y()).arg(g.height()).arg(sortMode));
}

QString WindowState::viewerFolder() const {
    return settings_.readString(u"Config", u"OpenDir", QString());
}

void WindowState::setViewerFolder(const QString& folder) {
    settings_.writeString(u"Config", u"OpenDir", folder);
}

WindowState::RigEditorPlace WindowState::rigEditorPlace(int columns) const {
    const QString place = settings_.readString(u"Config", u"RigWin", kRigEditorDefault);
    const QString list = place.isEmpty() || place.front() <= u' ' ? kRigEditorDefault : place;
    qsizetype cursor = 0;
    RigEditorPlace r;
    const int left = StrToLong(list);
    const int top = NextListNumber(list, cursor);
    const int width = NextListNumber(list, cursor);
    const int height = NextListNumber(list, cursor);
    r.geometry = QRect(left, top, width, height);
    for (int c = 0; c < columns; ++c)
        r.columnWidths.push_back(NextColumnWidth(list, cursor));
    return r;
}

void WindowState::setRigEditorPlace(const RigEditorPlace& r) {
    const QRect& g = r.geometry;
    QString text = u"%1,%2,%3,%4,"_s.arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height());
    for (size_t c = 0; c < r.columnWidths.size(); ++c) {
        if (c > 0) text += u',';
        text += QString::number(r.columnWidths[c]);
    }
    settings_.writeString(u"Config", u"RigWin", text);
}

WindowState::ListPlace WindowState::receivedListPlace() const {
    QString list = settings_.readString(u"Config", u"ShWin", kReceivedListDefault);
    if (list.trimmed().isEmpty()) list = kReceivedListDefault;
    qsizetype cursor = 0;
    ListPlace place = listPlaceOf(list, kReceivedListColumns, cursor);
    takeSwitches(place, settings_.readInteger(u"Config", u"Koujun", 1), 1);
    return place;
}

void WindowState::setReceivedListPlace(const ListPlace& place, bool withPlace) {
    if (withPlace) {
        QString text = listPlaceText(place);
        text.chop(1);
        settings_.writeString(u"Config", u"ShWin", text);
    }
    settings_.writeInteger(u"Config", u"Koujun", place.switchWord());
}

WindowState::ListPlace WindowState::sentListPlace() const {
    QString list = settings_.readString(u"Config", u"SentWin", kSentListDefault);
    if (list.trimmed().isEmpty()) list = kSentListDefault;
    qsizetype cursor = 0;
    ListPlace place = listPlaceOf(list, kSentListColumns, cursor);
    // After the widths; none stored: 0.
    takeSwitches(place, NextListNumber(list, cursor), 0);
    return place;
}

void WindowState::setSentListPlace(const ListPlace& place) {
    settings_.writeString(u"Config", u"SentWin",
                          listPlaceText(place) + QString::number(place.switchWord()));
}

std::optional<QRect> WindowState::definitionEditorPlace() const {
    if (!stored(settings_, u"QslDef")) return std::nullopt;
    const std::array<int, 5> p = readSettingsList(settings_, u"Config", u"QslDef");
    if (p[2] < 100 || p[3] < 100) return std::nullopt;
    return QRect(p[0], p[1], p[2], p[3]);
}

void WindowState::setDefinitionEditorPlace(const QRect& p) {
    settings_.writeString(
        u"Config", u"QslDef",
        u"%1,%2,%3,%4"_s.arg(p.left()).arg(p.top()).arg(p.width()).arg(p.height()));
}

QRect WindowState::confirmPlace() const {
    if (!stored(settings_, u"ConfPos")) return QRect(0, 0, 400, 400);
    const std::array<int, 5> p = readSettingsList(settings_, u"Config", u"ConfPos");
    return QRect(p[0], p[1], p[2] > 0 ? p[2] : 400, p[3] > 0 ? p[3] : 400);
}

void WindowState::setConfirmPlace(const QRect& p) {
    settings_.writeString(
        u"Config", u"ConfPos",
        u"%1,%2,%3,%4"_s.arg(p.left()).arg(p.top()).arg(p.width()).arg(p.height()));
}

QString WindowState::pictureHitFolder() const {
    return settings_.readString(u"Config", u"HitPath", u"C:\\"_s);
}

void WindowState::setPictureHitFolder(const QString& folder) {
    settings_.writeString(u"Config", u"HitPath", folder);
}

QString WindowState::downloadFolder(const QString& fallback) const {
    return settings_.readString(u"Config", u"DownDir", fallback);
}

void WindowState::setDownloadFolder(const QString& folder) {
    settings_.writeString(u"Config", u"DownDir", folder);
}

QString WindowState::resizeFolder(const QString& fallback) const {
    return settings_.readString(u"QslDef", u"ReSize", fallback);
}

void WindowState::setResizeFolder(const QString& folder) {
    settings_.writeString(u"QslDef", u"ReSize", folder);
}

void WindowState::erasePlaces(TZkwIni& settings) {
    for (const char16_t* key :
         {u"Pos", u"ViewPos", u"SentWin", u"ShWin", u"QslPos", u"RigWin", u"ConfPos", u"QslDef"})
        settings.deleteKey(u"Config", key);
}

std::vector<QRect> screenAreas() {
    std::vector<QRect> areas;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        areas.push_back(primary->availableGeometry());
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen())
            areas.push_back(screen->availableGeometry());
    return areas;
}

QRect placedOnScreen(const QRect& inside, const std::vector<QRect>& screens, int titleBar) {
    if (screens.empty()) return inside;
    // Enough of the title bar to take hold of the window.
    constexpr int kGrip = 100;
    const QRect bar(inside.left(), inside.top() - titleBar, inside.width(), titleBar);
    const auto held = [&](const QRect& area) {
        const QRect shown = bar.intersected(area);
        return shown.height() == titleBar && shown.width() >= std::min(kGrip, bar.width());
    };
    for (const QRect& area : screens)
        if (held(area)) return inside;
    // The screen that shows most of the window, else the first one.
    const QRect* best = &screens.front();
    qint64 most = 0;
    for (const QRect& area : screens) {
        const QRect shown = inside.adjusted(0, -titleBar, 0, 0).intersected(area);
        const qint64 size = qint64{shown.width()} * shown.height();
        if (size > most) {
            most = size;
            best = &area;
        }
    }
    const QRect& area = *best;
    QRect placed = inside;
    if (most == 0) {
        // Seen nowhere: wholly onto the first screen, as far as it fits.
        placed.moveLeft(std::clamp(inside.left(), area.left(),
                                   std::max(area.left(), area.right() + 1 - inside.width())));
        placed.moveTop(
            std::clamp(inside.top(), area.top() + titleBar,
                       std::max(area.top() + titleBar, area.bottom() + 1 - inside.height())));
        return placed;
    }
    const int grip = std::min(kGrip, inside.width());
    placed.moveLeft(std::clamp(inside.left(), area.left() - (inside.width() - grip),
                               std::max(area.left(), area.right() + 1 - grip)));
    placed.moveTop(std::clamp(inside.top(), area.top() + titleBar,
                              std::max(area.top() + titleBar, area.bottom() + 1 - titleBar)));
    return placed;
}
