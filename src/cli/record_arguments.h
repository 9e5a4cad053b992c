#pragma once
// Record numbers given on the command line, checked against the log: a wrong
// one is named with the range the log holds, in the same words by every
// command, and the command ends with exit code 1.

#include <QString>
#include <QStringList>

#include <iosfwd>
#include <optional>
#include <utility>

// A command that takes numbers beyond the log (the send batch lowers its
// range to the log itself) checks them against this count.
inline constexpr int kAnyRecordCount = -1;

// The record `text` names: a number from 1 to `recordCount`.
std::optional<int> recordArgument(const QString& text, int recordCount, std::ostream& err);
// FIRST and LAST of a range: both records of the log, FIRST not after LAST.
std::optional<std::pair<int, int>> recordRange(const QString& first, const QString& last,
                                               int recordCount, std::ostream& err);

// Takes a flag ("--yes") out of the arguments; whether it was there.
inline bool takeFlag(QStringList& args, const QString& flag) {
    return args.removeAll(flag) > 0;
}
