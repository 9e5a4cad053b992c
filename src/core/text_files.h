#pragma once
// Writing the small text files the program owns, and their timestamps.

#include "core/whole_file.h"

#include <QDateTime>
#include <QString>

// Creates or overwrites the file with the text in CP932; a text CP932 cannot
// hold (an emoji in the memo) is written as UTF-8 with a byte-order mark
// instead, which the program reads back exactly, rather than losing it to
// "?". The file is written under a temporary name and renamed, so a failure
// leaves the old one. 0 on success; on failure the person is told and the
// result is 1.
[[nodiscard]] int WriteTextFile(const QString& text, const QString& fileName);
// The same for bytes already in their file form.
[[nodiscard]] int WriteTextFile(const QByteArray& bytes, const QString& fileName);

// The same without telling anyone, so that it may run on any thread: false
// when the file could not be written. Either way the file appears whole under
// its name or not at all (a kill may leave "<name>.part" beside it).
// ShowCannotCreate() is what the person is told of a failure.
[[nodiscard]] bool SaveFile(const QByteArray& bytes, const QString& fileName,
                            FileSync sync = FileSync::Now);
[[nodiscard]] bool SaveTextFile(const QString& text, const QString& fileName,
                                FileSync sync = FileSync::Now);
// The library's own words about it, when there are any, follow in brackets.
void ShowCannotCreate(const QString& fileName, const QString& detail = QString());

// Moves a file over another (which is replaced), copying when the two lie on
// different file systems. False when it could not be moved.
[[nodiscard]] bool MoveFileReplacing(const QString& from, const QString& to);

// Sets the file's modification time; false when the file cannot be opened for
// writing or the time cannot be set.
[[nodiscard]] bool SetFileDateTime(const QString& fileName, const QDateTime& localTime);
