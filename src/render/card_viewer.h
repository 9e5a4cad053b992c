#pragma once
// What the card viewer and the card preview show, without their windows: the
// list of card pictures of a folder, its sorting and order of display, the
// texts of the position label and caption, the window sizes.

#include "core/card_decisions.h"

#include <QDateTime>
#include <QSize>
#include <QString>
#include <QStringList>

// Sort modes of the viewer.
namespace viewer_sort {
inline constexpr int QsoDate = 0;   // "最新の交信年月日から表示"
inline constexpr int FileTime = 1;  // "新しいJPEG画像から表示"
inline constexpr int FileName = 2;  // "JPEGファイル名順に表示"
}  // namespace viewer_sort

namespace viewer_flag {
inline constexpr int MaskGiven = 1;  // the path is the search mask itself
inline constexpr int Quiet = 256;    // no message when nothing is found
}  // namespace viewer_flag

// One entry: the sort key in 60 characters, the file time in quotes, the path.
QString viewerEntry(const QString& path, const QDateTime& modified, int sortMode);
// The picture path and the time text of an entry.
QString entryPath(const QString& entry);
QString entryTime(const QString& entry);

// The search mask of a path: the path itself with MaskGiven, else its folder
// with "*" and its extension.
QString viewerMask(const QString& path, int flags);

// The pictures a mask finds (files over 2048 bytes), as sorted entries.
QStringList findCards(const QString& mask, int sortMode);

// The entry shown at a scroll position: in file-name order the position
// itself, else counted from the end (the newest first).
int shownIndex(int position, int count, int sortMode);

// "                  3／12 (2024/03/15 12:34)".
QString viewerPositionLabel(int position, int count, const QString& time);

// The picture's size in a window: shrunk to the maximum width, then to the
// maximum height, keeping its shape (truncating).
QSize fitPicture(QSize picture, QSize maximum);

// The QSO record a card carries inside its picture, as one line; empty for
// a picture without one.
QString embeddedRecordLine(const QString& path);

// The card preview's information label: "No1,234 (1024x652)" in send mode.
// In send mode the card's place in its batch goes first.
QString previewLabel(bool sendMode, int recno, QSize size, const QString& fileName,
                     const CardPlace& place = {});

// The message text filed for a received card: the message folder, the
// picture's name with ".txt".
QString cardMessagePath(const QString& messageDir, const QString& picturePath);
