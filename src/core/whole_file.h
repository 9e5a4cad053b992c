#pragma once
// The one way the program writes a file it owns (settings, journals, lists,
// texts, definitions, exports, cards, downloads): under a temporary name
// beside it, every write checked as it is made (unbuffered, so a full disk
// shows at the write it hit, not at a flush nobody checks), flushed to disk
// when asked, and renamed over the old file only when all of it is written.
// On any failure the old file stays as it was, the temporary one is removed,
// and error() says why. A kill may leave "<name>.part" beside the file.

#include <QByteArrayView>
#include <QDateTime>
#include <QFile>
#include <QString>

// Whether a written file is flushed to disk before commit() returns (Now), or
// left to the caller, who makes many files safe at once with
// platform::syncFileSystemOf() before anything relies on them (ByCaller).
enum class FileSync { Now, ByCaller };

class WholeFile {
public:
    explicit WholeFile(QString fileName, FileSync sync = FileSync::Now);
    // Not committed: the temporary file goes, the old one stays.
    ~WholeFile();
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // The new file readable and writable by its owner only (before open()).
    void setOwnerOnly() { ownerOnly_ = true; }
    // Where the folder takes no new file but the file itself may be written,
    // it is written in place (a failure then may leave it short, and says so).
    void allowInPlace() { inPlace_ = true; }

    [[nodiscard]] bool open();
    // False from the first failure on; later writes do nothing.
    [[nodiscard]] bool write(QByteArrayView bytes);
    // The file's modification time, kept through the commit.
    [[nodiscard]] bool setModified(const QDateTime& time);
    // The new file's mode (after open()).
    [[nodiscard]] bool setPermissions(QFileDevice::Permissions permissions);
    // Puts the written file in the old one's place; false (the old file
    // kept) when anything failed.
    [[nodiscard]] bool commit();
    const QString& error() const { return error_; }

private:
    bool fail(const QString& what);

    QString fileName_;
    FileSync sync_;
    bool ownerOnly_ = false;
    bool inPlace_ = false;
    bool writingInPlace_ = false;
    bool failed_ = false;
    QFile file_;
    QString error_;
};

// The bytes as the whole file; false (the old file kept) on failure, with
// the reason in `why` when given.
[[nodiscard]] bool writeWholeFile(const QString& fileName, QByteArrayView bytes,
                                  FileSync sync = FileSync::Now, QString* why = nullptr);
// A copy of `source` as the whole file `target`, with the source's time; a
// failure leaves the old target and the source as they were.
[[nodiscard]] bool copyWholeFile(const QString& source, const QString& target,
                                 FileSync sync = FileSync::Now, QString* why = nullptr);

// The system's reason for a failed file operation, in the person's words.
QString systemErrorText(int error);
