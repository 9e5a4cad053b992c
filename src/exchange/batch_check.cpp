#include "exchange/batch_check.h"

#include "core/comma_text.h"
#include "core/message_ports.h"
#include "core/progress_port.h"
#include "render/card_composer.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {

// Keeps what the drawing of one card would have shown, answering as Enter
// would, so that the check opens no box of its own.
class CollectingPort : public MessagePort {
public:
    int showMessage(const MessageRequest& request) override {
        QString text = messageDisplayText(request.text).simplified();
        if (!text.isEmpty() && !messages.contains(text)) messages << text;
        return defaultAnswer(request);
    }
    QStringList messages;
};

}  // namespace

std::set<int> BatchCheck::records() const {
    std::set<int> out;
    for (const CardProblem& p : problems)
        out.insert(p.recno);
    return out;
}

bool isMailAddress(const QString& address) {
    if (address.isEmpty() || address.size() > 254) return false;
    static const QRegularExpression shape(QStringLiteral(
        "^[A-Za-z0-9!#$%&'*+/=?^_`{|}~.-]{1,64}@"
        "[A-Za-z0-9](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?(?:\\.[A-Za-z0-9](?:[A-Za-z0-9-]{0,61}"
        "[A-Za-z0-9])?)+$"));
    if (!shape.match(address).hasMatch()) return false;
    const QString local = address.section(u'@', 0, 0);
    return !local.startsWith(u'.') && !local.endsWith(u'.') &&
           !local.contains(QStringLiteral(".."));
}

BatchCheck checkBatchCards(CardComposer& composer, const QStringList& candidates,
                           ProgressPort& progress) {
    BatchCheck check;
    progress.setMaximum(int(candidates.size()));
    // A slow definition leaves the window alive and the stop button working.
    composer.goOn = [&progress] {
        QCoreApplication::processEvents();
        return !progress.abortRequested();
    };
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        QCoreApplication::processEvents();
        progress.setPosition(int(i));
        if (progress.abortRequested()) {
            check.stopped = true;
            break;
        }
        const QStringList fields = commaTextSplit(candidates[i]);
        const int recno = fields.value(1).toInt();
        const QString call = fields.value(0);
        const auto problem = [&](const QString& text) {
            check.problems.push_back({recno, call, text});
        };
        const QString address = fields.value(10);
        if (!isMailAddress(address))
            problem(QStringLiteral("メールアドレス「%1」は宛先になりません").arg(address));

        CollectingPort port;
        CardComposer::Result card;
        {
            const ScopedThreadMessagePort collecting(&port);
            card = composer.ComposeCard(fields);
        }
        if (card.stopped) {
            check.stopped = true;
            break;
        }
        ++check.checked;
        for (const QString& message : std::as_const(port.messages))
            problem(message);
        if (card.tooSlow) {
            check.tooSlow = true;
            break;
        }
        if (card.path.size() < 5 && port.messages.isEmpty())
            problem(QStringLiteral("カードを作成できません"));
        for (const QString& text : std::as_const(card.findings.overflows))
            problem(text);
        for (const QString& field : std::as_const(card.findings.emptyFields))
            problem(QStringLiteral("%1が空欄です").arg(field));
    }
    composer.goOn = nullptr;
    progress.setPosition(int(candidates.size()));
    return check;
}

QStringList problemLines(const BatchCheck& check) {
    QStringList lines;
    for (const CardProblem& p : check.problems)
        lines << QStringLiteral("No.%1 %2  %3").arg(p.recno).arg(p.call, p.text);
    return lines;
}

QString batchCheckQuestion(const BatchCheck& check, int shown) {
    const QStringList lines = problemLines(check);
    QString text = QStringLiteral("送信前の確認で %1枚中 %2枚のカードに問題があります。\r\r")
                       .arg(check.checked)
                       .arg(check.records().size());
    text += QStringList(lines.mid(0, shown)).join(u'\r');
    if (lines.size() > shown) text += QStringLiteral("\r・・・ほか %1件").arg(lines.size() - shown);
    text += QStringLiteral(
        "\r\r[はい(Y)]・・・すべて送信する\r[いいえ(N)]・・問題のあるカードを除いて送信する\r"
        "[ ｷｬﾝｾﾙ ]・・・送信を中止する（修正してから送信）");
    return text;
}
