#include "core/shell_open.h"

#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/zk_dll5.h"
#include "platform/shell.h"

#include <QDir>

namespace {

bool endsUrl(QChar c) {
    return c == u' ' || c == u',' || c.unicode() >= 0x80;
}

}  // namespace

std::optional<QString> ExtractLinkTarget(QStringView text) {
    qsizetype at = text.indexOf(u"http:/");
    if (at < 0) at = text.indexOf(u"https:/");
    if (at >= 0) {
        QStringView url = text.sliced(at).first(std::min<qsizetype>(254, text.size() - at));
        qsizetype end = 0;
        while (end < url.size() && !endsUrl(url[end]))
            ++end;
        return url.first(end).toString();
    }
    const qsizetype atSign = text.indexOf(u'@');
    if (atSign <= 0) return std::nullopt;
    qsizetype start = atSign;
    while (start > 0 && IsMailAddressChar(text, start - 1))
        --start;
    const QStringView rest = text.sliced(start).first(std::min<qsizetype>(54, text.size() - start));
    // A name longer than the window leaves the "@" outside it: take it all.
    qsizetype end = std::min(atSign - start + 1, rest.size());
    while (end < rest.size() && IsMailAddressChar(rest, end))
        ++end;
    return QStringLiteral("mailto:") + rest.first(end).toString();
}

bool OpenLinkInText(QStringView text) {
    const std::optional<QString> target = ExtractLinkTarget(text);
    if (!target) return false;
    ShellOpen(*target);
    return true;
}

ShellTarget SplitShellTarget(QStringView target) {
    const QStringView t = target.first(std::min<qsizetype>(target.size(), 510));
    for (qsizetype from = 0;;) {
        const qsizetype at = t.indexOf(u".exe ", from, Qt::CaseInsensitive);
        if (at < 0) break;
        if (at + 5 < t.size() && t[at + 5].unicode() > u' ')
            return {t.first(at + 4).toString(), t.sliced(at + 5).toString()};
        from = at + 1;
    }
    return {t.toString(), QString()};
}

namespace {
constexpr int kNotFound = 2;
constexpr int kNoProgram = 31;
}  // namespace

bool ShellOpen(const QString& target) {
    const ShellTarget st = SplitShellTarget(target);
    const int rc = platform::shellOpen(st.file, st.parameters);
    if (rc <= 32) {
        // The target named in the text too: a caption is easily cut short.
        QString text = QStringLiteral("起動できません。（エラーNo%1）").arg(rc);
        if (rc == kNoProgram)
            text += QStringLiteral("\r\r開くことのできるプログラムがありません：\r") + target;
        else if (rc == kNotFound)
            text += QStringLiteral("\r\r見つかりません：\r") + target;
        ShowMsgBox(nullptr, text, target, mb::Ok | mb::IconStop);
        return false;
    }
    return true;
}

void OpenWrittenFile(const QString& path, QObject* parent) {
    const int rc = platform::shellOpen(path, QString());
    if (rc > 32) return;
    ShowMsgBox(
        parent,
        QDir::toNativeSeparators(path) +
            (rc == kNoProgram
                 ? QStringLiteral("\r\r・・・に保存しました。（このファイルを開くプログラムが"
                                  "ありません）")
                 : QStringLiteral("\r\r・・・に保存しましたが、開けません。（エラーNo%1）")
                       .arg(rc)),
        app::title(), mb::Ok | mb::IconInformation);
}
