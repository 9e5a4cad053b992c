#pragma once
// What the main window holds for the whole run: folders and files, the
// record range, the beginner-mode drawing settings, the option switches, the
// histories and recent files, the user-list edition, the rig/antenna lines,
// the busy and activity flags. The entry builds one; the main window shows
// it, keeps the person's choices of files and folders in the settings at
// once, and saves the rest when it closes. Parts that draw or file cards get
// only what they need of it (cardInputs(), folders).

#include "core/card_folders.h"
#include "core/recent_lists.h"
#include "render/card_inputs.h"
#include "settings/card_style.h"
#include "settings/qsl_rig.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class AppPaths;
class DefinitionChoice;
class TZkwIni;
struct EnvironmentSettings;
struct UserListChoice;

// Config/PCheck: the main window's option switches.
struct OptionSwitches {
    int placeOutput = 1;      // PCheck0 ... PCheck4
    int textArea = 0;         // TransC1: 0 filled, 1 transparent, 2 semi-transparent
    bool confirmSend = true;  // Check2 "確認しながら送信"
    bool alwaysLast = true;   // RecRead "常に最終番号設定"
    bool expertMode = false;  // DefFile "QSL定義"
    bool drawCall = true;     // BgCall
    bool drawName = true;     // BgName

    static OptionSwitches fromBits(int bits);
    int bits() const;
};

// The resets chosen from the option menu, carried out when the program ends.
struct PendingResets {
    bool windowPlaces = false;  // N11
    bool environment = false;   // N13
    bool allButMail = false;    // N14
};

// Activity since the program started (read for the backup at exit).
namespace activity {
inline constexpr int CardSent = 1;
inline constexpr int CardReceived = 2;
}  // namespace activity

struct MainState {
    // Folders and files, full paths.
    QString programDir;
    CardFolders folders;
    QString qsoData;  // the log's master file
    QString userList;
    // No list of the logging program: the service's answers decide who
    // takes part.
    bool serviceDecides() const;
    QString userEdition;  // empty when the list is not loaded
    QString rigAntPath;
    QString picturePath;
    QString messageTextPath;

    // The record range and the last record number of the QSO data.
    int firstRecord = 1;
    int lastRecord = 1;
    bool qsoDataOpened = false;
    // The log's record count when it was last looked at (-1: no log).
    int knownRecordCount = -1;
    // Whether the log changed since it was last looked at (QSOs imported or
    // logged by another program): then the range ends at its new last
    // record, and a log that was missing is open.
    bool noticeLogChange();
    int linkLastRecord = 0;  // what the running logging program reported

    OptionSwitches options;
    DrawingSettings drawing;
    QString rstRule = QStringLiteral("FT8,FT4,JT65=dB;CW=RST");
    QString ownCall;

    QStringList places;   // PoBox1's list, newest first
    QStringList remarks;  // RmkBox's list
    QString placeText;
    QString remarkText;
    RecentFiles pictures{30};
    RecentFiles definitions{32};

    // Config/Pos; the left and top are used only when Ctrl was up at start.
    QRect windowPlace{0, 0, 400, 400};
    bool maximised = false;

    RigAntTable rigTable;
    QStringList rigLines;  // empty when no rig/antenna file is loaded
    QString messageText;   // the memo, for the beginner-mode rig fallback

    bool busy = false;
    int activityFlags = 0;
    PendingResets resets;
    bool skipTimeZoneCheck = false;  // "-T"

    // Start-up: reads every setting with its default, the user list's
    // edition, the rig/antenna data and the QSO data's record count; changes
    // nothing on disk (prepareProgramFolder does). Returns the warning to
    // show when the QSO data differs from the one the logging program uses.
    std::optional<QString> load(TZkwIni& settings, const AppPaths& paths);

    // Close: writes the window's state (nothing after the N14 reset).
    void save(TZkwIni& settings) const;
    // The range's start alone, written at once (a batch advances it card by
    // card, so that a crash does not send the range again).
    void saveRangeStart(TZkwIni& settings) const;

    // The rig/antenna data of `rigAntPath`, read again; an empty list when
    // the file is missing or a CTY.DAT.
    void reloadRig();

    // The person's choices of files and folders, kept in the settings at once
    // (the definition by its owner, which the editor shares).
    void setDefinition(DefinitionChoice& definition, const QString& path);
    void setQsoData(TZkwIni& settings, const QString& path);
    void setUserList(TZkwIni& settings, const UserListChoice& choice);
    void setRigAnt(TZkwIni& settings, const QString& path);  // reads it too
    void closeRigAnt(TZkwIni& settings);                     // "C:\"
    void setMessageTextPath(TZkwIni& settings, const QString& path);
    void setCardFolder(TZkwIni& settings, bool received, const QString& folder);

    // What a card drawn now is drawn from (expert cards from `definition`).
    CardInputs cardInputs(const EnvironmentSettings& environment, const QString& definition) const;

    // The range rule: at most 300 records up to the last one.
    static std::pair<int, int> recordRange(int savedFirst, int last);

    // Whether the resize items N800, N640 and N528 apply to a picture.
    static std::array<bool, 3> resizeItemsEnabled(QSize picture);
};

// Start-up's changes to the program folder, made by the desktop program once
// the state is loaded: the default card folders and the message folder are
// created when missing (only the folder itself: a folder on a missing drive
// stays missing), and a user list whose index is unusable loses the index
// (and its edition).
void prepareProgramFolder(MainState& state);

// Carries out the resets when the program ends.
void applyResets(TZkwIni& settings, const PendingResets& resets);

// The edition of a user list whose index is usable, else empty; reads only.
QString userListEdition(const QString& usrPath);
// What an ADIF import into the log did, for the person.
struct ImportResult;
QString adifImportMessage(const QString& file, const ImportResult& result);
// The same at start: an index that is missing or stale is made again (one
// that cannot be made is deleted).
QString openUserListAtStart(const QString& usrPath);

// The folder chosen for received or sent cards, without trailing separators;
// empty when it is the other one (without regard to case).
QString acceptedCardFolder(const QString& chosen, const QString& other);

// What choosing another user list came to.
struct UserListChoice {
    QString path;             // empty when the list was not taken
    QString edition;          // set when loaded
    QString warning;          // shown as a warning when not empty
    bool memoryOnly = false;  // the path is kept for this run, not written
};
UserListChoice chooseUserList(const QString& usrPath, const QString& ownCall);

// The message text file: read as CP932 (or UTF-8 when it is), written as
// CP932; an empty text deletes the file. False when it could not be written.
QString readMessageText(const QString& path);
bool writeMessageText(const QString& path, const QString& text);
