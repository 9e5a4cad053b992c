#include "core/card_decisions.h"

#include <QFileInfo>

#include <istream>
#include <ostream>
#include <string>

TerminalCardDecisions::TerminalCardDecisions(std::istream& in, std::ostream& out, bool ask)
    : in_(in), out_(out), ask_(ask) {}

QString cardPlaceText(const CardPlace& place) {
    if (place.number <= 0 || place.total <= 0) return {};
    return QStringLiteral("%1／%2枚目").arg(place.number).arg(place.total) +
           (place.sent     ? QStringLiteral("（送信済み）")
            : place.marked ? QStringLiteral("（発行済み）")
                           : QString());
}

CardDecision TerminalCardDecisions::decide(const QString& cardPath, int recno,
                                           const CardPlace& place) {
    if (!ask_) return CardDecision::Send;
    const QString where = cardPlaceText(place);
    for (int tries = 0; tries < 5; ++tries) {
        out_ << QStringLiteral(
                    "%3No%1 %2: 送信[S] / スキップ[N] / 一気に[A] / 前へ[B] / 中止[Q] > ")
                    .arg(QString::number(recno), QFileInfo(cardPath).fileName(),
                         where.isEmpty() ? QString() : where + u' ')
                    .toStdString()
             << std::flush;
        std::string line;
        if (!std::getline(in_, line)) {
            out_ << '\n';
            return CardDecision::Stop;
        }
        const QString answer = QString::fromStdString(line).trimmed().toLower();
        if (answer.isEmpty() || answer.startsWith(u's')) return CardDecision::Send;
        if (answer.startsWith(u'n')) return CardDecision::Skip;
        if (answer.startsWith(u'a')) return CardDecision::SendRest;
        if (answer.startsWith(u'b')) return CardDecision::Back;
        if (answer.startsWith(u'q')) return CardDecision::Stop;
    }
    return CardDecision::Stop;
}

CardDecision ScriptedCardDecisions::decide(const QString& cardPath, int recno,
                                           const CardPlace& place) {
    asked_.push_back({cardPath, recno, place});
    if (answers_.empty()) return CardDecision::Send;
    const CardDecision d = answers_.front();
    answers_.pop_front();
    return d;
}
