#include "server/version_check.h"

#include "core/app_info.h"
#include "core/sjis.h"
#include "core/zk_dll5.h"
#include "logdata/log_store.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString aboutText(const AboutInfo& info) {
    QStringList lines;
    lines << app::title() + u' ' + app::versionText();
    lines << u"NOVQ_user："_s + info.call.trimmed().toUpper();
    // The program as this platform names it; the log library is built into
    // it here, so it goes by its name alone, then its date.
    const QString program = QFileInfo(info.programPath).fileName();
    lines << u"Build\t"_s + (program.isEmpty() ? u"sendvik"_s : program) + u" ("_s +
                 app::buildDate() + u')';
    lines << u"\tZelkov50 "_s + info.libraryDate.left(20);
    lines << QDir::toNativeSeparators(info.programPath);
    lines << QDir::toNativeSeparators(LogStore::dataPathFor(info.qsoData)) + u"\t\t総件数："_s +
                 FormatThousands(info.recordCount) + u"件"_s;
    if (!info.userListEdition.isEmpty())
        lines << u"ZELKOVユーザーリスト\r　※"_s + info.userListEdition + u"版を使用中"_s;
    if (!info.statusText.isEmpty()) lines << info.statusText;
    lines << QDir::toNativeSeparators(info.receivedDir) << QDir::toNativeSeparators(info.sentDir);
    return lines.join(u'\r');
}

std::optional<QString> findBuildDate(QByteArrayView page) {
    // Character positions count from 1, in the page's bytes.
    const QByteArray wide = sjis::fromUnicode(u"（20"_s);
    qsizetype at = page.indexOf(wide);
    qsizetype start = -1;
    if (at >= 99) {
        start = at + 2;
    } else if ((at = page.indexOf("(20")) >= 99) {
        start = at + 1;
    }
    if (start < 0) return std::nullopt;
    return sjis::toUnicode(page.sliced(start, std::min<qsizetype>(10, page.size() - start)));
}

QString buildDateMessage(const QString& found, const QString& ownBuildDate) {
    if (ownBuildDate < found)
        return u"最新バージョンが見つかりました！\r　Build：%1 を発見！"_s.arg(found);
    return u"最新バージョンは見つかりませんでした。\r　Build：%1 がありました。"_s.arg(found);
}

std::optional<QString> downloadPath(QByteArrayView page) {
    const qsizetype quote = page.indexOf("\"soft/");
    if (quote < 0) return std::nullopt;
    QByteArray path =
        page.sliced(quote + 1, std::min<qsizetype>(30, page.size() - quote - 1)).toByteArray();
    const qsizetype end = path.indexOf("\">");
    if (end >= 0) path.truncate(end);
    return sjis::toUnicode(path);
}

QString downloadTarget(const QString& folder, const QString& path) {
    QString name = path.mid(path.indexOf(u'/') + 1).left(16);
    // The name comes from a web page: never a path of its own.
    name = QFileInfo(name.replace(u'\\', u'/')).fileName();
    if (name.isEmpty() || name == u".." || name == u".") name = u"SendvikSetup"_s;
    QString target = folder;
    if (!target.endsWith(u'/') && !target.endsWith(QDir::separator())) target += QDir::separator();
    return target + name;
}
