#include "app/main_state.h"

#include "app/program_files.h"
#include "core/app_paths.h"
#include "core/mklink.h"
#include "core/sjis.h"
#include "core/text_files.h"
#include "core/zk_dll5.h"
#include "core/zkw_ini.h"
#include "logdata/dbf_table.h"
#include "logdata/user_list.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kDefaultRst = QStringLiteral("FT8,FT4,JT65=dB;CW=RST");

QString withExtension(const QString& path, const QString& extension) {
    const QFileInfo info(path);
    const qsizetype dot = path.size() - info.fileName().size() + info.fileName().lastIndexOf(u'.');
    const bool hasDot = info.fileName().contains(u'.');
    return (hasDot ? path.left(dot) : path) + extension;
}

// Only the folder itself: a folder on a missing drive or path stays missing.
void createFolder(const QString& path) {
    if (!QFileInfo(path).isDir()) QDir().mkdir(path);
}

// The record count of the QSO data, or -1 when it cannot be opened.
int qsoRecordCount(const QString& masterPath) {
    DbfTable table;
    if (dbf_open(withExtension(masterPath, QStringLiteral(".zdb")), table) != 0) return -1;
    const int count = table.recordCount;
    dbf_close(table);
    return count;
}

}  // namespace

OptionSwitches OptionSwitches::fromBits(int bits) {
    OptionSwitches o;
    o.placeOutput = std::min(bits & 7, 4);
    o.textArea = (bits & 512) ? 1 : (bits & 8) ? 2 : 0;
    o.confirmSend = bits & 16;
    o.alwaysLast = bits & 32;
    o.expertMode = bits & 64;
    o.drawCall = bits & 128;
    o.drawName = bits & 256;
    return o;
}

int OptionSwitches::bits() const {
    return placeOutput | (textArea == 2 ? 8 : 0) | (confirmSend ? 16 : 0) | (alwaysLast ? 32 : 0) |
           (expertMode ? 64 : 0) | (drawCall ? 128 : 0) | (drawName ? 256 : 0) |
           (textArea == 1 ? 512 : 0);
}

void DrawingSettings::load(const TZkwIni& ini) {
    backgroundColour = static_cast<unsigned>(ini.readInteger(u"Config", u"BakClor", 0xFFFFFF));
    const QString fontColourText = ini.readString(u"Config", u"FontColor", QString());
    if (fontColourText.trimmed().isEmpty()) {
        fontColour = 0xFF0000;
        fontStyle = 1;
    } else {
        qsizetype cursor = 0;
        fontColour = static_cast<unsigned>(TextToInt(fontColourText));
        fontStyle = fontColourText.contains(u',') ? NextListNumber(fontColourText, cursor) : 0;
    }
    fontName = ini.readString(u"Config", u"FontName", QStringLiteral("ＭＳ Ｐ明朝"));
    callFontName = ini.readString(u"CallFont", u"Name", QStringLiteral("ＭＳ ゴシック"));
    callColour = static_cast<unsigned>(ini.readInteger(u"CallFont", u"Color", 255));
    callSize = ini.readInteger(u"CallFont", u"Size", 72);
    nameColour = static_cast<unsigned>(ini.readInteger(u"CallFont", u"Color2", 255));
    callStyle = ini.readInteger(u"CallFont", u"Style", 1);
    alpha = ini.readInteger(u"Config", u"Alpha", 17);
    if (alpha < 1 || alpha > 25) alpha = 17;
    const std::array<int, 5> xy = readSettingsList(ini, u"Config", u"CallXY");
    // Kept on the preview, as dragging them keeps them (a missing value reads
    // as 400, 400, which would put the name box out of sight).
    callXY = {std::clamp(xy[0], 0, 240), std::clamp(xy[1], 0, 204), std::clamp(xy[2], 0, 294),
              std::clamp(xy[3], 0, 204)};
}

void DrawingSettings::save(TZkwIni& ini) const {
    ini.writeInteger(u"Config", u"BakClor", static_cast<int>(backgroundColour));
    ini.writeInteger(u"Config", u"Alpha", alpha);
    ini.writeString(
        u"Config", u"CallXY",
        QStringLiteral("%1,%2,%3,%4").arg(callXY[0]).arg(callXY[1]).arg(callXY[2]).arg(callXY[3]));
}

std::optional<QString> MainState::load(TZkwIni& ini, const AppPaths& paths) {
    programDir = paths.programDir();

    pictures.load(ini, u"JpFiles", u"JP", programDir);
    definitions.load(ini, u"mQslFiles", u"Def", programDir);

    const std::array<int, 5> pos = readSettingsList(ini, u"Config", u"Pos");
    windowPlace = QRect(pos[0], pos[1], pos[2], pos[3]);

    places = loadHistory(ini, u"Potbl", u"Po");
    placeText = places.value(0);
    const std::array<int, 5> progress = readSettingsList(ini, u"Config", u"Progres");
    progressMaxima = {std::max(progress[0], 10), std::max(progress[1], 10), progress[2]};
    remarks = loadHistory(ini, u"Remarks", u"Rm");
    remarkText = remarks.value(0);

    // The default card folders are made when missing; configured ones are
    // used as they are.
    createFolder(programDir + QStringLiteral("受信"));
    createFolder(programDir + QStringLiteral("送信"));
    const ProgramFiles files = programFiles(ini, paths);
    receivedDir = files.receivedDir;
    sentDir = files.sentDir;
    messageDir = QFileInfo(QDir::cleanPath(receivedDir)).path() + QStringLiteral("/QslMsg");
    createFolder(messageDir);

    qsoData = files.qsoData;
    userList = files.userList;
    messageTextPath = files.messageText;
    messageText = QFileInfo::exists(messageTextPath) ? readMessageText(messageTextPath) : QString();
    rigAntPath = files.rigAnt;
    definitionPath =
        MakeAbsolutePath(ini.readString(u"QslDef", u"mQSL", QStringLiteral(".mQsl")), programDir);
    const QString picture = ini.readString(u"Config", u"Jpeg", QString());
    picturePath = picture.isEmpty() ? QString() : MakeAbsolutePath(picture, programDir);

    ownCall = ini.readString(u"Option", u"Calls", QString()).trimmed().toUpper();
    userEdition = QFileInfo::exists(userList) ? openUserListAtStart(userList) : QString();

    rstRule = ini.readString(u"Config", u"RstEdit", QString());
    if (rstRule.size() < 6) rstRule = kDefaultRst;
    drawing.load(ini);
    reloadRig();
    options = OptionSwitches::fromBits(ini.readInteger(u"Config", u"PCheck", 441));

    std::optional<QString> warning;
    const int count = qsoRecordCount(qsoData);
    qsoDataOpened = count >= 0;
    lastRecord = qsoDataOpened ? count : 1;
    if (qsoDataOpened && linkLastRecord > 0 && linkLastRecord != count)
        warning = QStringLiteral(
            "ZELKOV/Win のQSOデータと一致しません！\r\rZELKOV/Win が使用しているQSOデータを\r"
            "ファイルメニューから開いてください。");
    std::tie(firstRecord, lastRecord) =
        recordRange(ini.readInteger(u"Config", u"Recno1", 1), lastRecord);
    return warning;
}

void MainState::save(TZkwIni& ini) const {
    if (resets.allButMail) return;
    saveHistory(ini, u"Potbl", u"Po", places);
    saveHistory(ini, u"Remarks", u"Rm", remarks);
    ini.writeString(u"Config", u"RstEdit", rstRule);
    ini.writeOrDelete(
        u"Config", u"Jpeg",
        picturePath.isEmpty() ? QString() : MakeRelativePath(picturePath, programDir));
    ini.writeOrDelete(u"Config", u"Recno1",
                      firstRecord > 0 ? QString::number(firstRecord) : QString());
    pictures.save(ini, u"JpFiles", u"JP", programDir);
    definitions.save(ini, u"mQslFiles", u"Def", programDir);
    if (!maximised && !resets.windowPlaces)
        ini.writeString(u"Config", u"Pos",
                        QStringLiteral("%1,%2,%3,%4")
                            .arg(windowPlace.left())
                            .arg(windowPlace.top())
                            .arg(windowPlace.width())
                            .arg(windowPlace.height()));
    drawing.save(ini);
    ini.writeInteger(u"Config", u"PCheck", options.bits());
    ini.writeString(u"Config", u"Progres",
                    QStringLiteral("%1,%2,%3")
                        .arg(progressMaxima[0])
                        .arg(progressMaxima[1])
                        .arg(progressMaxima[2]));
    ini.flush();
}

void MainState::reloadRig() {
    rigTable = RigAntTable();
    rigLines.clear();
    if (isCtyDat(rigAntPath) || !QFileInfo(rigAntPath).isFile()) return;
    TZkwIni file(rigAntPath);
    rigTable = RigAntTable::read(file);
    rigLines = rigTable.lineList();
}

std::pair<int, int> MainState::recordRange(int savedFirst, int last) {
    int first = savedFirst;
    if (first > last) first = last + 1;
    if (first < last - 299) first = last - 299;
    return {std::max(first, 1), last};
}

std::array<bool, 3> MainState::resizeItemsEnabled(QSize p) {
    return {p.width() > 800 || p.height() > 510, p.width() > 640 || p.height() > 408,
            p != QSize(528, 336)};
}

void applyResets(TZkwIni& ini, const PendingResets& resets) {
    if (resets.allButMail)
        for (const char16_t* section : {u"Config", u"Kankyo", u"JpFiles", u"Potbl", u"Remarks",
                                        u"QslDef", u"mQslFiles", u"CallFont", u"Confirm"})
            ini.eraseSection(section);
    if (resets.windowPlaces)
        for (const char16_t* key : {u"Pos", u"ViewPos", u"SentWin", u"ShWin", u"QslPos", u"RigWin",
                                    u"ConfPos", u"QslDef"})
            ini.deleteKey(u"Config", key);
    if (resets.environment) ini.eraseSection(u"Kankyo");
}

QString openUserListAtStart(const QString& usrPath) {
    UserHandle handle;
    QString edition;
    if (User_open(0, 0, handle, usrPath) != 0) {
        QFile::remove(userListIndexPath(usrPath));
        return edition;
    }
    if (handle.status != 0)
        QFile::remove(userListIndexPath(usrPath));
    else
        edition = handle.edition;
    User_close(handle);
    return edition;
}

UserListChoice chooseUserList(const QString& usrPath, const QString& ownCall) {
    const QString notOpened = QStringLiteral("一度、ZELKOV/Win でユーザーリストを開いてください。");
    UserListChoice choice;
    const QString index = userListIndexPath(usrPath);
    if (!QFileInfo::exists(index)) {
        // Kept for this run only: the list has to be opened in the logging
        // program first.
        choice.path = usrPath;
        choice.memoryOnly = true;
        choice.warning = notOpened;
        return choice;
    }
    UserHandle handle;
    if (User_open(0, 0, handle, usrPath) != 0 || handle.status != 0) {
        choice.warning = notOpened;
    } else if (User_Seek(handle, PadField(ownCall, 12)) <= 0) {
        choice.warning = ownCall + QStringLiteral(" <== ZELKOVユーザーリスト未登録です！");
    } else {
        choice.path = usrPath;
        choice.edition = handle.edition;
    }
    User_close(handle);
    if (choice.path.isEmpty()) QFile::remove(index);
    return choice;
}

QString readMessageText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QString text = sjis::decodeUserText(f.read(1 << 20));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

bool writeMessageText(const QString& path, const QString& text) {
    if (text.isEmpty()) return !QFileInfo::exists(path) || QFile::remove(path);
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(u'\n', QStringLiteral("\r\n"));
    return WriteTextFile(lines, path) == 0;
}
