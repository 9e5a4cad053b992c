#include "app/command_table.h"

using namespace Qt::StringLiterals;

const std::vector<MenuEntry>& mainMenus() {
    static const std::vector<MenuEntry> menus = {
        {CommandMenu::File, "File1", u"ファイル(&F)"_s},
        {CommandMenu::Cards, "QSLM1", u"電子QSL(&E)"_s},
        {CommandMenu::Options, "O1", u"オプション(&O)"_s},
        {CommandMenu::Zelkov, "ZELKOV1Menu", u"【ZEL&KOV】"_s},
        {CommandMenu::Help, "Help1", u"ヘルプ(&H)"_s},
    };
    return menus;
}

const std::vector<CommandEntry>& mainCommands() {
    using M = CommandMenu;
    using C = Command;
    const QKeySequence none;
    static const std::vector<CommandEntry> commands = {
        {C::OpenPicture, "JPEG1", u"JPEG画像ファイルを開く(&O)..."_s, M::File, none},
        {C::OpenDefinition, "QSLO1", u"QSL定義ファイルを開く(&O)..."_s, M::File, none},
        {C::OpenQsoData, "QSO1", u"QSOデータを開く(&Q)..."_s, M::File, none, true, true},
        {C::ImportAdif, "ADIF1", u"ADIFファイルを読み込む(&I)..."_s, M::File, none},
        {C::OpenUserList, "USR1", u"ZELKOVユーザーリストを開く(&U)..."_s, M::File, none, false,
         true},
        {C::OpenRigAnt, "Rig1", u"リグ・アンテナデータを 開く(&A)..."_s, M::File, none, false,
         true},
        {C::OpenMessageText, "M1", u"メール本文を開く(&M)..."_s, M::File, none, true},
        {C::SaveMessageTextAs, "BN1", u"メール本文に名前を付けて保存(&N)..."_s, M::File, none},
        {C::Backup, "QSLB1", u"電子QSLのバックアップ(&B)..."_s, M::File, none, true},
        {C::ReceivedFolder, "QSL1", u"受信したQSLのフォルダ設定(&R)..."_s, M::File, none, true},
        {C::SentFolder, "QSLS1", u"送信済みQSLのフォルダ設定(&S)..."_s, M::File, none},
        {C::ShowReceivedFolder, "C2", u"受信フォルダの表示(&J)"_s, M::File, none},
        {C::ShowSentFolder, "T1", u"送信フォルダの表示(&T)"_s, M::File, none},
        {C::Exit, "Exit1", u"終了(&X)"_s, M::File, none, true},

        {C::ReceivedList, "SN2", u"電子QSLとQSOデータを照合(&Q)..."_s, M::Cards, Qt::Key_F4},
        {C::Viewer, "VwrQ1", u"受信した電子QSL画像を表示(&D)..."_s, M::Cards, Qt::Key_F3},
        {C::SentList, "QSL3", u"送信済み電子QSL一覧(&S)..."_s, M::Cards, Qt::Key_F2},
        {C::ConfirmStatus, "CNF3", u"NOVQコンファーム状況(&H)"_s, M::Cards,
         QKeySequence(Qt::CTRL | Qt::Key_H)},

        {C::Environment, "QSL2", u"電子QSL 環境設定(&K)..."_s, M::Options, none},
        {C::Communication, "S1", u"E-Mail QSL 通信設定(&C)..."_s, M::Options, none},
        {C::EditRigAnt, "AntR1", u"Rig/Antの編集(&R)"_s, M::Options, none},
        {C::Resize800, "N800", u"画像リサイズ 800x510"_s, M::Options, none, true},
        {C::Resize640, "N640", u"画像リサイズ 640x408"_s, M::Options, none},
        {C::Resize528, "N528", u"画像リサイズ 528x336"_s, M::Options, none},
        {C::ResetPlaces, "N11", u"ウインドウを初期位置にする"_s, M::Options, none, true},
        {C::ResetEnvironment, "N13", u"環境設定を初期設定に戻す"_s, M::Options, none},
        {C::ResetAllButMail, "N14", u"通信設定以外すべて初期設定に戻す"_s, M::Options, none},
        {C::FeedSwitch, "WSJT1", u"WSJT-X・JTDX からQSOを受け取る(&W)"_s, M::Options, none, true,
         true},
        {C::FeedSettings, "WSJT2", u"WSJT-X・JTDX 連携の設定(&J)..."_s, M::Options, none},

        {C::SendFromLoggingProgram, "NOVQ1", u"修正／メイン画面からQSL送信(&Q)"_s, M::Zelkov,
         Qt::Key_F12},
        {C::CheckFromLoggingProgram, "ZLKV1", u"入力／修正／メイン画面から登録状況確認(&K)"_s,
         M::Zelkov, none},
        {C::SentCardsOfStation, "QSLT1", u"どんなQSLを送ったか表示(&S)"_s, M::Zelkov, Qt::Key_F5,
         true},
        {C::ReceivedCardsOfQso, "ZLKV2", u"どんなQSLが届いたか表示(&R)"_s, M::Zelkov, Qt::Key_F6},
        {C::ReceivedCardsOfStation, "ZLKV3", u"届いたQSLを全部表示(&A)"_s, M::Zelkov, Qt::Key_F7},

        {C::Manual, "H1", u"取扱説明書(&H)"_s, M::Help, Qt::Key_F1},
        {C::CommunicationHelp, "C1", u"通信設定の説明(&C)"_s, M::Help, none},
        {C::About, "V6", u"バージョン情報(&V)"_s, M::Help, none},

        {C::Send, "Speed1", u"QSL送信"_s, M::Buttons, none},
        {C::Receive, "Speed5", u"QSL受信"_s, M::Buttons, none},
        {C::ReceivedList, "Speed7", u"照合"_s, M::Buttons, none},
        {C::ShowCards, "Speed8", u"表示"_s, M::Buttons, none},
        {C::SentList, "Speed10", u"送信済QSL"_s, M::Buttons, none},
        {C::EditDefinition, "Speed9", u"QSL編集"_s, M::Buttons, none},
        {C::Environment, "Speed11", u"環境設定"_s, M::Buttons, none},
        {C::Communication, "Speed12", u"通信設定"_s, M::Buttons, none},
        {C::EditRigAnt, "Speed13", u"Rig/Ant"_s, M::Buttons, none},
    };
    return commands;
}

std::vector<CommandEntry> commandsOf(CommandMenu menu) {
    std::vector<CommandEntry> out;
    for (const CommandEntry& c : mainCommands())
        if (c.menu == menu) out.push_back(c);
    return out;
}

ModeControls modeControls(bool expert, int textArea) {
    ModeControls m;
    m.editorEnabled = expert;
    m.backgroundCaption = expert ? u"イメージ"_s : u"背景色"_s;
    m.backgroundHint =
        expert ? u"電子QSLイメージを表示して定義ファイル編集"_s : u"QSL文字列の背景色"_s;
    m.backgroundVisible = expert || textArea == 0;
    m.alphaVisible = !expert && textArea == 2;
    m.beginnerVisible = !expert;
    m.beginnerEnabled = !expert;
    m.definitionsEnabled = expert;
    return m;
}

const std::vector<const char*>& controlsLockedWhilePreviewing() {
    static const std::vector<const char*> names = {"Speed1", "Speed5",  "Speed4",
                                                   "Speed7", "Speed10", "DefFile"};
    return names;
}

const std::vector<const char*>& menusLockedWhilePreviewing() {
    static const std::vector<const char*> names = {"File1", "QSLM1"};
    return names;
}
