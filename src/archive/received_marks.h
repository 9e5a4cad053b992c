#pragma once
// The received mark a matched QSO gets in the log, from the received-mark
// setting (QslRcv, e.g. "H;*=W;": "H" for a QSO without a mark, "*" turned
// into "W") and the mark the QSO has now.

#include <QChar>
#include <QString>

#include <optional>

// The mark to write, or nothing when the QSO keeps its mark. With
// `markReceived` (the setting that marks QSOs already marked) a QSO without a
// mark gets the setting's first character, a marked one the Y of the first
// "X=Y" whose X is its mark, else the setting's last character (unless that
// is ";"); a QSO that has the first character, or would get its own mark
// again, keeps it. Without it only a QSO without a mark gets the first
// character.
std::optional<QChar> receivedMarkFor(const QString& setting, QChar current, bool markReceived);
