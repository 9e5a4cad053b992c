#pragma once
// The checks the program makes when it starts: the libraries' versions, and
// the ones made once the main window is shown. Each gives the text to show,
// or nothing.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <optional>
#include <vector>

// The libraries the program needs at their least versions; the mail
// library's message wins when both are old.
std::optional<QString> libraryVersionMessage(int logLibraryVersion, int mailLibraryVersion);

// The user list is more than about 30 days older than today.
std::optional<QString> userListAgeMessage(const QString& edition, QDate today);

// The received and sent folders are the same (without regard to case).
std::optional<QString> sameFoldersMessage(const QString& receivedDir, const QString& sentDir);

// The clock's zone is not 9 hours ahead of UTC.
std::optional<QString> timeZoneMessage(const QTimeZone& zone, const QDateTime& at);

// Whether the communication settings lack what a send or a receive needs
// (the communication settings window opens then).
struct CommSettings;
bool communicationSettingsIncomplete(const CommSettings& settings);

// The command line: "-T" first (any case) skips the time-zone check.
bool skipsTimeZoneCheck(const QStringList& arguments);

// The checks made once the main window is shown, in their order: a send
// killed between a card's mail and its mark (settled first), the user list's
// age, the card folders, the communication settings (that window opens when
// they lack something), the clock's zone (unless skipped).
struct ShownCheck {
    QString text;  // empty: open the communication settings instead of a message
    int icon = 0;  // mb::Icon*
};
struct MainState;
struct EnvironmentSettings;
std::vector<ShownCheck> checksOnceShown(const MainState& state,
                                        const EnvironmentSettings& environment,
                                        const CommSettings& communication, const QDateTime& now,
                                        const QTimeZone& zone, bool beforeSend = false);
