#pragma once
// The main window's command table: every menu item and button with its
// command, object name, caption, shortcut and menu, in the order shown; and
// the rules that switch controls with the mode and lock them while a send
// waits on its preview. The window builds its menus and buttons from it and
// carries out each entry's command in one switch, so that a command without
// a handler does not compile.

#include <QKeySequence>
#include <QString>

#include <vector>

enum class CommandMenu { File, Cards, Options, Zelkov, Help, Buttons };

// Every command of the main window's menus and buttons.
enum class Command {
    OpenPicture,              // JPEG1
    OpenDefinition,           // QSLO1
    OpenQsoData,              // QSO1
    ImportAdif,               // ADIF1
    OpenUserList,             // USR1
    OpenRigAnt,               // Rig1
    OpenMessageText,          // M1
    SaveMessageTextAs,        // BN1
    Backup,                   // QSLB1
    ReceivedFolder,           // QSL1
    SentFolder,               // QSLS1
    ShowReceivedFolder,       // C2
    ShowSentFolder,           // T1
    Exit,                     // Exit1
    ReceivedList,             // SN2, Speed7
    Viewer,                   // VwrQ1
    SentList,                 // QSL3, Speed10
    ConfirmStatus,            // CNF3
    Environment,              // QSL2, Speed11
    Communication,            // S1, Speed12
    EditRigAnt,               // AntR1, Speed13
    Resize800,                // N800
    Resize640,                // N640
    Resize528,                // N528
    ResetPlaces,              // N11
    ResetEnvironment,         // N13
    ResetAllButMail,          // N14
    FeedSwitch,               // WSJT1
    FeedSettings,             // WSJT2
    SendFromLoggingProgram,   // NOVQ1
    CheckFromLoggingProgram,  // ZLKV1
    SentCardsOfStation,       // QSLT1
    ReceivedCardsOfQso,       // ZLKV2
    ReceivedCardsOfStation,   // ZLKV3
    Manual,                   // H1
    CommunicationHelp,        // C1
    About,                    // V6
    Send,                     // Speed1
    Receive,                  // Speed5 (also stops a run)
    ShowCards,                // Speed8
    EditDefinition,           // Speed9
};

struct CommandEntry {
    Command command;
    const char* name;  // objectName
    QString caption;
    CommandMenu menu;
    QKeySequence key;
    bool separatorBefore = false;  // a menu separator above it
    bool checkable = false;
};

// The menus' object names and captions, in menu-bar order (the recent
// pictures and definitions, the "共有" item and their places come between).
struct MenuEntry {
    CommandMenu menu;
    const char* name;
    QString caption;
};
const std::vector<MenuEntry>& mainMenus();

const std::vector<CommandEntry>& mainCommands();
// The commands of one menu (or the button row), in order.
std::vector<CommandEntry> commandsOf(CommandMenu menu);

// What the mode switch and the text-area style change.
struct ModeControls {
    bool editorEnabled;         // Speed9
    QString backgroundCaption;  // Speed2: "イメージ" or "背景色"
    QString backgroundHint;
    bool backgroundVisible;   // Speed2
    bool alphaVisible;        // AlphaBl
    bool beginnerVisible;     // BgCall, BgName, BgFont, nColor
    bool beginnerEnabled;     // PCheck0-4, TransC1, Speed3, RstEdit
    bool definitionsEnabled;  // the QSL定義 menu
};
ModeControls modeControls(bool expertMode, int textArea);

// The controls and menus locked while a send waits on its preview.
const std::vector<const char*>& controlsLockedWhilePreviewing();
const std::vector<const char*>& menusLockedWhilePreviewing();
