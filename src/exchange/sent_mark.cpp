#include "exchange/sent_mark.h"

namespace {

bool isBlank(QChar c) {
    return c.isNull() || c == u' ';
}

}  // namespace

std::optional<QChar> nextSentMark(QChar current, const SentMarkRules& r) {
    // A definition's own sequence: the mark after the current one, the
    // first when the current one is not in it.
    if (!r.definitionMark.isEmpty()) {
        const qsizetype at = r.definitionMark.indexOf(current);
        QChar mark;
        if (at < 0)
            mark = r.definitionMark.front();
        else if (at + 1 < r.definitionMark.size())
            mark = r.definitionMark[at + 1];
        if (mark.isNull() || mark.unicode() < 32) return std::nullopt;
        return mark;
    }
    if (r.rule.isEmpty() || r.rule.front().unicode() < 33) return std::nullopt;
    const QChar primary = r.rule.front();
    if (isBlank(current) || (r.eligibleMarks.contains(current) && current != primary))
        return primary;
    if (!r.markAlreadySent) return std::nullopt;
    QChar mark;
    bool matched = false;
    for (qsizetype i = 1; i < r.rule.size() && !matched; ++i) {
        if (r.rule[i] == u'=' && r.rule[i - 1] == current) {
            matched = true;
            if (i + 1 < r.rule.size()) mark = r.rule[i + 1];
        }
    }
    if (!matched && r.rule.back() != u';') mark = r.rule.back();
    if (mark.isNull() || mark.unicode() < 33 || current == primary || current == mark)
        return std::nullopt;
    return mark;
}

QChar previousSentMark(QChar current, const QString& rule) {
    if (isBlank(current) || rule.isEmpty()) return current;
    for (qsizetype i = 1; i + 1 < rule.size(); ++i)
        if (rule[i] == u'=' && rule[i + 1] == current && !isBlank(rule[i - 1]) &&
            rule[i - 1] != u';')
            return rule[i - 1];
    if (rule.front() == current) return u' ';
    return current;
}
