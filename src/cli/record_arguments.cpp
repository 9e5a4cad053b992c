#include "cli/record_arguments.h"

#include "cli/cli_output.h"

namespace {

QString holds(int recordCount) {
    if (recordCount == kAnyRecordCount) return QStringLiteral("レコード番号は1からです");
    return recordCount > 0 ? QStringLiteral("QSOデータはレコード 1～%1 です").arg(recordCount)
                           : QStringLiteral("QSOデータにレコードがありません");
}

}  // namespace

std::optional<int> recordArgument(const QString& text, int recordCount, std::ostream& err) {
    bool numeric = false;
    const int recno = text.trimmed().toInt(&numeric);
    if (!numeric) {
        printLine(err, QStringLiteral("sendvik-cli: 「%1」はレコード番号ではありません（%2）")
                           .arg(text.left(40), holds(recordCount)));
        return std::nullopt;
    }
    if (recno < 1 || (recordCount != kAnyRecordCount && recno > recordCount)) {
        printLine(err, QStringLiteral("sendvik-cli: レコード %1 はありません（%2）")
                           .arg(recno)
                           .arg(holds(recordCount)));
        return std::nullopt;
    }
    return recno;
}

std::optional<std::pair<int, int>> recordRange(const QString& first, const QString& last,
                                               int recordCount, std::ostream& err) {
    const std::optional<int> from = recordArgument(first, recordCount, err);
    if (!from) return std::nullopt;
    const std::optional<int> to = recordArgument(last, recordCount, err);
    if (!to) return std::nullopt;
    if (*from > *to) {
        printLine(err, QStringLiteral("sendvik-cli: 範囲 %1～%2 が逆順です（%3）")
                           .arg(*from)
                           .arg(*to)
                           .arg(holds(recordCount)));
        return std::nullopt;
    }
    return std::pair{*from, *to};
}
