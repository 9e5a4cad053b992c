#include "app/main_state.h"

#include "core/app_paths.h"
#include "core/mklink.h"
#include "core/sjis.h"
#include "core/text_files.h"
#include "core/window_state.h"
#include "core/zk_dll5.h"
#include "core/zkw_ini.h"
#include "logdata/adif.h"
#include "logdata/dbf_table.h"
#include "logdata/user_list.h"
#include "settings/comm_settings.h"
#include "settings/kankyo.h"
#include "settings/program_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kDefaultRst = QStringLiteral("FT8,FT4,JT65=dB;CW=RST");

// Only the folder itself: a folder on a missing drive or path stays missing.
void createFolder(const QString& path) {
    if (!QFileInfo(path).isDir()) QDir().mkdir(path);
}

QString messageDirFor(const QString& receivedDir) {
    return QFileInfo(QDir::cleanPath(receivedDir)).path() + QStringLiteral("/QslMsg");
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

std::optional<QString> MainState::load(TZkwIni& ini, const AppPaths& paths) {
    programDir = paths.programDir();

    pictures.load(ini, u"JpFiles", u"JP", programDir);
    definitions.load(ini, u"mQslFiles", u"Def", programDir);

    windowPlace = WindowState(ini).mainPlace();

    places = loadHistory(ini, u"Potbl", u"Po");
    placeText = places.value(0);
    remarks = loadHistory(ini, u"Remarks", u"Rm");
    remarkText = remarks.value(0);

    const ProgramFiles files = programFiles(ini, paths);
    folders.receivedDir = files.receivedDir;
    folders.sentDir = files.sentDir;
    folders.messageDir = messageDirFor(folders.receivedDir);
    folders.sheetsDir = programDir + QStringLiteral("集計");

    qsoData = files.qsoData;
    userList = files.userList;
    messageTextPath = files.messageText;
    messageText = QFileInfo::exists(messageTextPath) ? readMessageText(messageTextPath) : QString();
    rigAntPath = files.rigAnt;
    const QString definitionPath = DefinitionChoice::storedPath(ini, programDir);
    const QString picture = ini.readString(u"Config", u"Jpeg", QString());
    picturePath = picture.isEmpty() ? QString() : programFilePath(picture, programDir);
    // The photo and the definition in use are on their menus, also when they
    // were set without them (in the settings file, by the command line).
    if (QFileInfo(picturePath).isFile()) pictures.include(picturePath);
    if (QFileInfo(definitionPath).isFile()) definitions.include(definitionPath);

    ownCall = CommSettings::storedCall(ini);
    // The program's own list of the service's stations is no edition in use.
    userEdition =
        !serviceDecides() && QFileInfo::exists(userList) ? userListEdition(userList) : QString();

    rstRule = ini.readString(u"Config", u"RstEdit", QString());
    if (rstRule.size() < 6) rstRule = kDefaultRst;
    drawing.load(ini);
    reloadRig();
    options = OptionSwitches::fromBits(ini.readInteger(u"Config", u"PCheck", 441));

    std::optional<QString> warning;
    const int count = qsoRecordCount(qsoData);
    knownRecordCount = count;
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
    saveHistory(ini, u"Potbl", u"Po", historyWithText(places, placeText));
    saveHistory(ini, u"Remarks", u"Rm", historyWithText(remarks, remarkText));
    ini.writeString(u"Config", u"RstEdit", rstRule);
    ini.writeOrDelete(
        u"Config", u"Jpeg",
        picturePath.isEmpty() ? QString() : MakeRelativePath(picturePath, programDir));
    ini.writeOrDelete(u"Config", u"Recno1",
                      firstRecord > 0 ? QString::number(firstRecord) : QString());
    pictures.save(ini, u"JpFiles", u"JP", programDir);
    definitions.save(ini, u"mQslFiles", u"Def", programDir);
    if (!maximised && !resets.windowPlaces) WindowState(ini).setMainPlace(windowPlace);
    drawing.save(ini);
    ini.writeInteger(u"Config", u"PCheck", options.bits());
    (void)ini.flush();  // a failure is told by the store itself
}

void MainState::saveRangeStart(TZkwIni& ini) const {
    if (resets.allButMail) return;
    ini.writeOrDelete(u"Config", u"Recno1",
                      firstRecord > 0 ? QString::number(firstRecord) : QString());
    (void)ini.flush();  // a failure is told by the store itself
}

void MainState::reloadRig() {
    rigTable = RigAntTable();
    rigLines.clear();
    if (isCtyDat(rigAntPath) || !QFileInfo(rigAntPath).isFile()) return;
    rigTable = RigAntTable::load(rigAntPath);
    rigLines = rigTable.lineList();
}

void MainState::setDefinition(DefinitionChoice& definition, const QString& path) {
    definitions.choose(path);
    definition.choose(path);
}

void MainState::setQsoData(TZkwIni& ini, const QString& path) {
    qsoData = path;
    storeProgramFile(ini, ProgramFile::QsoData, path, programDir);
    qsoDataOpened = true;
    knownRecordCount = -2;  // not looked at yet: the next look sets the range
}

void MainState::setUserList(TZkwIni& ini, const UserListChoice& choice) {
    userList = choice.path;
    userEdition = choice.edition;
    if (choice.memoryOnly) return;
    if (choice.path.isEmpty())
        storeProgramFileValue(ini, ProgramFile::UserList, QString());
    else
        storeProgramFile(ini, ProgramFile::UserList, choice.path, programDir);
}

void MainState::setRigAnt(TZkwIni& ini, const QString& path) {
    rigAntPath = path;
    storeProgramFile(ini, ProgramFile::RigAnt, path, programDir);
    reloadRig();
}

void MainState::closeRigAnt(TZkwIni& ini) {
    rigAntPath = QStringLiteral("C:\\");
    reloadRig();
    storeProgramFileValue(ini, ProgramFile::RigAnt, rigAntPath);
}

void MainState::setMessageTextPath(TZkwIni& ini, const QString& path) {
    messageTextPath = path;
    storeProgramFile(ini, ProgramFile::MessageText, path, programDir);
}

void MainState::setCardFolder(TZkwIni& ini, bool received, const QString& folder) {
    if (received) {
        folders.receivedDir = folder;
        storeProgramFile(ini, ProgramFile::ReceivedDir, folder, programDir);
    } else {
        folders.sentDir = folder;
        storeProgramFile(ini, ProgramFile::SentDir, folder, programDir);
    }
}

CardInputs MainState::cardInputs(const EnvironmentSettings& environment,
                                 const QString& definition) const {
    CardInputs in;
    in.qsoData = qsoData;
    in.programDir = programDir;
    in.ownCall = ownCall;
    in.placeOutput = PlaceChoice(options.placeOutput);
    in.placeText = placeText;
    in.remarkText = remarkText;
    in.reportRules = rstRule;
    in.cardTime = CardTime(environment.cardTime);
    in.messageText = messageText;
    in.rigLines = rigLines;
    in.confirmRig = environment.confirmRig;
    in.photoPath = picturePath;
    in.sizeSetting = environment.photoSize;
    in.textArea = options.textArea;
    in.drawCall = options.drawCall;
    in.drawName = options.drawName;
    in.look = drawing;
    in.portable = environment.portable;
    in.nameText = environment.operatorNames.value(0);
    in.expertMode = options.expertMode;
    in.definitionPath = definition;
    return in;
}

void prepareProgramFolder(MainState& state) {
    // The default card folders are made when missing; configured ones are
    // used as they are.
    createFolder(state.programDir + QStringLiteral("受信"));
    createFolder(state.programDir + QStringLiteral("送信"));
    createFolder(state.folders.messageDir);
    if (!state.serviceDecides() && QFileInfo::exists(state.userList))
        state.userEdition = openUserListAtStart(state.userList);
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
    if (resets.windowPlaces) WindowState::erasePlaces(ini);
    if (resets.environment) ini.eraseSection(u"Kankyo");
}

bool MainState::noticeLogChange() {
    const int count = qsoRecordCount(qsoData);
    if (count == knownRecordCount) return false;
    knownRecordCount = count;
    qsoDataOpened = count >= 0;
    if (!qsoDataOpened) return true;
    std::tie(firstRecord, lastRecord) = recordRange(firstRecord, count);
    return true;
}

QString adifImportMessage(const QString& file, const ImportResult& r) {
    if (!r.error.isEmpty()) return r.error + QStringLiteral("\r\r（QSOデータは変わっていません）");
    QString text = QDir::toNativeSeparators(file) +
                   QStringLiteral("\r\rQSOデータに %1件のQSOを追加しました。").arg(r.added);
    text += QStringLiteral("\r・すでにあるQSO（重複） %1件").arg(r.duplicates);
    text += QStringLiteral("\r・読み飛ばしたレコード %1件").arg(r.skipped);
    for (const auto& [line, why] : r.firstSkipped)
        text += QStringLiteral("\r　　%1行目: %2").arg(line).arg(why);
    return text;
}

bool MainState::serviceDecides() const {
    return isServiceUserList(userList);
}

QString userListEdition(const QString& usrPath) {
    UserHandle handle;
    QString edition;
    if (User_open(0, 0, handle, usrPath) == 0 && handle.status == 0) edition = handle.edition;
    User_close(handle);
    return edition;
}

QString openUserListAtStart(const QString& usrPath) {
    UserHandle handle;
    QString edition;
    if (openUserList(handle, usrPath) != 0) {
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
    UserHandle handle;
    const int opened = openUserList(handle, usrPath);
    if (opened == 0 && handle.status != 0 && !QFileInfo::exists(index)) {
        // No index could be made here: kept for this run only.
        User_close(handle);
        choice.path = usrPath;
        choice.memoryOnly = true;
        choice.warning = notOpened;
        return choice;
    }
    if (opened != 0 || handle.status != 0) {
        choice.warning = notOpened;
    } else if (ownCall.trimmed().isEmpty()) {
        choice.warning = QStringLiteral("自局のコールサインが設定されていません！\r\r") +
                         kOwnCallWhere.toString();
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

QString acceptedCardFolder(const QString& chosen, const QString& other) {
    auto bare = [](QString path) {
        while (path.size() > 1 && (path.endsWith(u'/') || path.endsWith(u'\\')))
            path.chop(1);
        return path;
    };
    const QString folder = bare(chosen);
    return folder.compare(bare(other), Qt::CaseInsensitive) == 0 ? QString() : folder;
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
