#pragma once
// Writes gzip-compressed tar archives for the tests of the setup archive,
// hostile entries included (names leaving the folder, links, devices).

#include <QByteArray>
#include <QFile>
#include <QString>

#include <archive.h>
#include <archive_entry.h>

#include <vector>

namespace tar_gz {

struct Entry {
    QByteArray name;
    QByteArray data;
    int perm = 0644;
    unsigned type = AE_IFREG;  // AE_IFDIR, AE_IFLNK (data = the link's target), ...
};

inline bool write(const QString& path, const std::vector<Entry>& entries) {
    archive* a = archive_write_new();
    archive_write_add_filter_gzip(a);
    archive_write_set_format_pax_restricted(a);
    bool ok = archive_write_open_filename(a, QFile::encodeName(path).constData()) == ARCHIVE_OK;
    for (const Entry& e : entries) {
        if (!ok) break;
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.name.constData());
        archive_entry_set_filetype(entry, e.type);
        archive_entry_set_perm(entry, e.perm);
        if (e.type == AE_IFLNK) {
            archive_entry_set_symlink(entry, e.data.constData());
            archive_entry_set_size(entry, 0);
        } else {
            archive_entry_set_size(entry, e.type == AE_IFREG ? e.data.size() : 0);
        }
        ok = archive_write_header(a, entry) == ARCHIVE_OK;
        if (ok && e.type == AE_IFREG && !e.data.isEmpty())
            ok = archive_write_data(a, e.data.constData(), size_t(e.data.size())) == e.data.size();
        archive_entry_free(entry);
    }
    ok = archive_write_close(a) == ARCHIVE_OK && ok;
    archive_write_free(a);
    return ok;
}

}  // namespace tar_gz
