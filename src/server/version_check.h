#pragma once
// The about box's side of the service: the text it shows, the newest build
// date read from the program's home page, and the download of a new version.

#include <QByteArray>
#include <QString>

#include <optional>

struct AboutInfo {
    QString call;             // the communication settings' call sign
    QString libraryDate;      // the log library's date
    QString programPath;      // the running program's full path
    QString qsoData;          // the log's master file
    int recordCount = 0;      // of the log's QSO data (0 when it cannot be opened)
    QString userListEdition;  // empty while no user list is loaded
    QString statusText;       // one more line when the main window has one
    QString receivedDir;
    QString sentDir;
};

// The lines of the about box, separated by "\r".
QString aboutText(const AboutInfo& info);

// The build date on the home page (line breaks normalised, the page's own
// code page): 10 characters after "（20" or "(20" standing at character 100
// or later.
std::optional<QString> findBuildDate(QByteArrayView page);

// The message for a found date, compared with this program's build date.
QString buildDateMessage(const QString& found, const QString& ownBuildDate);

// The download path ("soft/" + file name) of the home page's link.
std::optional<QString> downloadPath(QByteArrayView page);

// Where the download goes: the chosen folder + the file name of the path
// (at most 16 characters).
QString downloadTarget(const QString& folder, const QString& path);
