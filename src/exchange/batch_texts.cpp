#include "exchange/batch_texts.h"

#include "core/app_info.h"

namespace {

// The counters' lines that appear only when they counted something.
QString droppedLines(const SelectionCounters& c) {
    QString text;
    if (c.tooOld > 0) text += QStringLiteral("\r・半年以上前のQSO　%1局").arg(c.tooOld);
    if (c.alreadySent > 0)
        text += QStringLiteral("\r・すでにQSL発行済み　　%1局").arg(c.alreadySent);
    if (c.excludedRoute > 0)
        text += QStringLiteral("\r・送信対象外の QSL欄　%1局").arg(c.excludedRoute);
    if (c.invalidDate > 0)
        text += QStringLiteral("\r・日付・時刻が不正なQSO　%1局").arg(c.invalidDate);
    if (c.leftOutByCheck > 0)
        text += QStringLiteral("\r・送信前の確認で除外　%1局").arg(c.leftOutByCheck);
    return text;
}

}  // namespace

QString zeroSendSummary(int rangeSize, const SelectionCounters& c) {
    QString text = QStringLiteral(
                       "%1 の参加局、または\r電子QSL送信対象の局がいませんでした。\r"
                       "（送信したQSL数＝ゼロ）\r送信指定範囲＝ %2件　うち、")
                       .arg(app::title())
                       .arg(rangeSize);
    if (c.notInUserList > 0)
        text += QStringLiteral("\r・ZELKOVユーザーリスト未登録 %1局").arg(c.notInUserList);
    text += QStringLiteral("\r・%1未登録 %2局").arg(app::title()).arg(c.notAMember);
    return text + droppedLines(c);
}

QString sendSummary(const SendSummary& s) {
    QString text = QStringLiteral("電子QSLメールを %1 件送信しました。").arg(s.sent);
    if (s.stopped) text += QStringLiteral("（途中で中止しました。残りは次の送信で送れます）");
    if (s.candidates > 1) {
        const int covered = s.lastComposed - s.first + 1;
        const double share =
            s.lastComposed - s.first < 0 || covered == 0 ? 0.0 : double(s.sent) * 100.0 / covered;
        text += QStringLiteral("\r（実際の送信範囲 %1件中の %2％）")
                    .arg(covered)
                    .arg(QString::number(share, 'f', 2));
    }
    text += QStringLiteral(
                "\r\r送信指定範囲＝ %1件。　うち、\r・ZELKOVユーザーリスト未登録 %2局"
                "\r・%3未登録 %4局")
                .arg(s.rangeSize)
                .arg(s.counters.notInUserList)
                .arg(app::title())
                .arg(s.counters.notAMember);
    text += droppedLines(s.counters);
    if (s.sendMax > 0 && s.sent >= s.sendMax)
        text += QStringLiteral(
                    "\r\r※ 上限の %1件を送信しました。\r"
                    "　少し時間をおいてから残りを送信してください。")
                    .arg(s.sendMax);
    return text;
}
