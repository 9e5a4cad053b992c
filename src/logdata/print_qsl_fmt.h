#pragma once
// The log's own "!" codes in card texts (docs/log-codes.md).

#include <QDate>
#include <QString>

struct QsoRecord;
struct ZkwHandle;

// Copies `text` into `output` with every known "!" code replaced by the
// current QSO's value; any other "!" is copied as it is. 0 on success.
int PrintQslFmt(const ZkwHandle& handle, QString& output, const QString& text);

// The same for a record; `today` is the print date.
QString expandLogCodes(const QsoRecord& qso, const QString& text, const QDate& today);
