#pragma once
// The checks the program makes when it starts: the libraries' versions, and
// the ones made once the main window is shown. Each gives the text to show,
// or nothing.

#include <QDate>
#include <QString>
#include <QTimeZone>

#include <optional>

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
