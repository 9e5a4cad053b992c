#include "archive/received_marks.h"

std::optional<QChar> receivedMarkFor(const QString& setting, QChar current, bool markReceived) {
    if (setting.isEmpty()) return std::nullopt;
    const QChar first = setting.front();
    if (!markReceived || first.unicode() <= u' ') {
        if (current == u' ' && first.unicode() > u' ') return first;
        return std::nullopt;
    }
    QChar mark = first;
    if (current != u' ') {
        bool paired = false;
        for (qsizetype i = 1; i + 1 < setting.size() && !paired; ++i) {
            if (setting[i] == u'=' && setting[i - 1] == current) {
                mark = setting[i + 1];
                paired = true;
            }
        }
        if (!paired) {
            if (setting.back() == u';') return std::nullopt;
            mark = setting.back();
        }
    }
    if (current == first || mark == current || mark.unicode() <= u' ') return std::nullopt;
    return mark;
}
