#pragma once
// The backup of the card archive: the settings file, the received cards and,
// when asked, the sent cards and the received mail texts, copied into a
// backup folder. A file is copied only when its backup is missing or older,
// and a copy never replaces a good backup file with a partial one: it is
// written beside it and renamed over it whole.

#include "core/card_folders.h"

#include <QString>

#include <array>

class ProgressPort;
class TZkwIni;

// The backup's settings (section Config: BackUp, BakChk, Progres).
struct BackupSettings {
    QString folder;          // BackUp
    bool alsoSent = false;   // BakChk 8: "送信済み電子QSLもバックアップ"
    bool alsoTexts = false;  // BakChk 16: "受信QslMsg.TXTもバックアップ"
    bool atExit = false;     // BakChk 32: "終了時にバックアップ"
    // The received pictures, sent pictures and texts the last run looked at
    // (the progress bar's size).
    std::array<int, 3> counts{0, 0, 400};

    // The documents folder followed by "ZelkovBak".
    static QString defaultFolder();
    void load(const TZkwIni& settings);
    // BakChk and BackUp; the folder alone (kept as soon as it is chosen);
    // the counts only with saveCounts.
    void save(TZkwIni& settings) const;
    void saveFolder(TZkwIni& settings) const;
    void saveCounts(TZkwIni& settings) const;
    int checkBits() const { return (alsoSent ? 8 : 0) | (alsoTexts ? 16 : 0) | (atExit ? 32 : 0); }
};

// The activity bits of a run: cards sent (1), cards received (2).
namespace backup_scope {
inline constexpr int Sent = 1;
inline constexpr int Received = 2;
}  // namespace backup_scope

struct BackupResult {
    bool folderMissing = false;
    bool aborted = false;
    int copied = 0;
    int failed = 0;  // files that could not be copied (a full disk, a file in use)
    std::array<int, 3> looked{0, 0, 0};  // received pictures, sent pictures, texts
};

// Copies the files of `folder` matching `mask` larger than `minimumBytes`
// into `destination` when their copy there is missing or older; the number
// looked at. Stops before the next file when `progress` asks to; `step`
// counts the bar's position on. A file that cannot be copied keeps its old
// copy and is counted in `failed`.
int CopyNewer(const QString& folder, const QString& mask, const QString& destination,
              qint64 minimumBytes, int& copied, int& failed, ProgressPort* progress,
              int* step = nullptr);

// One run: the settings file and the received pictures always, the sent
// pictures when cards were sent (scope bit 1) and alsoSent, the texts when
// cards were received (bit 2) and alsoTexts. With a progress port it is the
// person's run (the bar, the messages); without, the run at exit, which
// speaks only when files could not be copied.
BackupResult runBackup(const BackupSettings& settings, const QString& settingsFile,
                       const CardFolders& folders, int scope, ProgressPort* progress);

// Whether the program's end runs a backup: asked for, and cards exchanged
// (received, or sent too when sent cards are backed up).
bool backupAtExitDue(const BackupSettings& settings, int activity);
