#include "server/setup_archive.h"

#include "core/whole_file.h"
#include "platform/shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace {

struct ArchiveReader {
    archive* a = archive_read_new();
    ~ArchiveReader() { archive_read_free(a); }
    QString error() const {
        const char* text = archive_error_string(a);
        return text ? QString::fromLocal8Bit(text) : QStringLiteral("読めません");
    }
};

// The entry's name inside the folder ("./" dropped); empty when it is not
// one that stays inside (absolute, "..", empty).
QString safeRelativeName(const char* raw) {
    if (!raw) return {};
    QString name = QString::fromUtf8(raw);
    while (name.startsWith(QStringLiteral("./")))
        name = name.mid(2);
    while (name.endsWith(u'/'))
        name.chop(1);
    if (name.isEmpty() || name.startsWith(u'/') || name.contains(u'\\') || name.contains(u'\0'))
        return {};
    for (const QString& part : name.split(u'/')) {
        if (part.isEmpty() || part == u"." || part == u"..") return {};
    }
    return name;
}

}  // namespace

bool isSetupArchive(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    return file.read(2) == QByteArray("\x1f\x8b", 2);
}

UnpackedSetup unpackSetupArchive(const QString& archivePath, const QString& folder,
                                 const SetupArchiveLimits& limits) {
    const QString shown = QDir::toNativeSeparators(archivePath);
    auto fail = [&](const QString& what) {
        return UnpackedSetup{QString(), shown + QStringLiteral(" - ") + what};
    };
    ArchiveReader reader;
    archive_read_support_filter_gzip(reader.a);
    archive_read_support_format_tar(reader.a);
    if (archive_read_open_filename(reader.a, QFile::encodeName(archivePath).constData(), 65536) !=
        ARCHIVE_OK)
        return fail(QStringLiteral("アーカイブを開けません（%1）").arg(reader.error()));

    const QDir root(folder);
    QSet<QString> tops;
    QString setupAtTop;
    QString setupBelow;
    std::int64_t total = 0;
    int entries = 0;
    std::unique_ptr<char[]> buffer(new char[65536]);
    for (;;) {
        archive_entry* entry = nullptr;
        const int r = archive_read_next_header(reader.a, &entry);
        if (r == ARCHIVE_EOF) break;
        if (r < ARCHIVE_WARN) return fail(QStringLiteral("壊れています（%1）").arg(reader.error()));
        if (++entries > limits.maxEntries)
            return fail(QStringLiteral("項目が多すぎます（%1 個まで）").arg(limits.maxEntries));
        const QString name = safeRelativeName(archive_entry_pathname(entry));
        if (name.isEmpty())
            return fail(QStringLiteral("フォルダの外を指す名前があります: %1")
                            .arg(QString::fromUtf8(archive_entry_pathname(entry))));
        const auto type = archive_entry_filetype(entry);
        if (type == AE_IFDIR) {
            if (!root.mkpath(name))
                return fail(QStringLiteral("%1 のフォルダ作成に失敗しました。").arg(name));
            tops.insert(name.section(u'/', 0, 0));
            continue;
        }
        if (type != AE_IFREG || archive_entry_hardlink(entry))
            return fail(QStringLiteral("ファイルでもフォルダでもない項目があります: %1").arg(name));
        if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > limits.maxFileBytes)
            return fail(QStringLiteral("%1 が大きすぎます（%2 バイトまで）")
                            .arg(name)
                            .arg(limits.maxFileBytes));
        tops.insert(name.section(u'/', 0, 0));
        const QString target = root.filePath(name);
        if (!root.mkpath(QFileInfo(name).path()))
            return fail(QStringLiteral("%1 のフォルダ作成に失敗しました。").arg(name));
        WholeFile out(target, FileSync::ByCaller);
        if (!out.open())
            return fail(QStringLiteral("%1 が書き込めません（%2）").arg(name, out.error()));
        std::int64_t written = 0;
        for (;;) {
            const la_ssize_t n = archive_read_data(reader.a, buffer.get(), 65536);
            if (n == 0) break;
            if (n < 0) return fail(QStringLiteral("壊れています（%1）").arg(reader.error()));
            written += n;
            total += n;
            if (written > limits.maxFileBytes)
                return fail(QStringLiteral("%1 が大きすぎます（%2 バイトまで）")
                                .arg(name)
                                .arg(limits.maxFileBytes));
            if (total > limits.maxTotalBytes)
                return fail(QStringLiteral("中身が大きすぎます（%1 バイトまで）")
                                .arg(limits.maxTotalBytes));
            if (!out.write(QByteArrayView(buffer.get(), n)))
                return fail(QStringLiteral("%1 が書き込めません（%2）").arg(name, out.error()));
        }
        if (!out.commit())
            return fail(QStringLiteral("%1 が書き込めません（%2）").arg(name, out.error()));
        // Programs keep their permission to run; nothing else is kept.
        QFile::Permissions permissions =
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
        if (archive_entry_perm(entry) & 0100)
            permissions |= QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        QFile::setPermissions(target, permissions);
        if (name == kSetupProgramName) setupAtTop = target;
        if (name.count(u'/') == 1 && name.section(u'/', 1) == kSetupProgramName)
            setupBelow = target;
    }
    QString setup = setupAtTop;
    if (setup.isEmpty() && tops.size() == 1) setup = setupBelow;
    if (setup.isEmpty()) return fail(QStringLiteral("%1 が入っていません").arg(kSetupProgramName));
    if (!(QFile::permissions(setup) & QFile::ExeOwner))
        return fail(QStringLiteral("%1 が実行できるファイルではありません").arg(kSetupProgramName));
    return {setup, QString()};
}

namespace {

const QString kUpdateFolderPrefix = QStringLiteral("sendvik-update-");

}  // namespace

QString updateFolderOf(const QString& setupProgram, const QString& parent) {
    const QString under = QDir(parent).canonicalPath() + u'/';
    QString folder = QFileInfo(setupProgram).canonicalPath();
    if (!folder.startsWith(under)) return {};
    folder = under + folder.mid(under.size()).section(u'/', 0, 0);
    return QFileInfo(folder).fileName().startsWith(kUpdateFolderPrefix) ? folder : QString();
}

UnpackedSetup startSetupFromArchive(const QString& archive, const QString& parent) {
    QTemporaryDir folder(QDir(parent).filePath(kUpdateFolderPrefix + QStringLiteral("XXXXXX")));
    if (!folder.isValid())
        return {QString(),
                QDir::toNativeSeparators(parent) +
                    QStringLiteral(" - 作業フォルダが作れません（%1）").arg(folder.errorString())};
    UnpackedSetup unpacked = unpackSetupArchive(archive, folder.path());
    if (unpacked.setupProgram.isEmpty()) return unpacked;
    if (platform::shellOpen(unpacked.setupProgram, QString()) <= 32)
        return {QString(), QDir::toNativeSeparators(unpacked.setupProgram) +
                               QStringLiteral(" - 起動できません")};
    folder.setAutoRemove(false);  // the installer runs from there
    return unpacked;
}
