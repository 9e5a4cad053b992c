#pragma once
// The main window's command table: every menu item and button with its
// object name, caption, shortcut and menu, in the order shown, and whether
// it works in this version; and the rules that switch controls with the mode
// and lock them while a send waits on its preview. The window builds its
// menus and buttons from it and binds each name to its handler.

#include <QKeySequence>
#include <QString>

#include <vector>

enum class CommandMenu { File, Cards, Options, Zelkov, Help, Buttons };

struct CommandEntry {
    const char* name;  // objectName
    QString caption;
    CommandMenu menu;
    QKeySequence key;
    bool later = false;            // says that it is not available yet
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
