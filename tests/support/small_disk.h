#pragma once
// A small file system for the full-disk tests: a tmpfs of a given size
// mounted on a folder (root only; where mounting is not allowed the test is
// skipped with the reason), and a way to fill it to a few bytes.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

namespace testing_support {

class SmallDisk {
public:
    // `options` as mount takes them: "size=2m", "size=1m,nr_inodes=8".
    SmallDisk(const QString& folder, const QString& options) : folder_(folder) {
        QDir().mkpath(folder);
        QProcess mount;
        mount.start(QStringLiteral("mount"),
                    {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), options,
                     QStringLiteral("tmpfs"), folder});
        mounted_ = mount.waitForFinished(10000) && mount.exitStatus() == QProcess::NormalExit &&
                   mount.exitCode() == 0;
        if (!mounted_)
            why_ = QStringLiteral("cannot mount a tmpfs here (root needed): ") +
                   QString::fromLocal8Bit(mount.readAllStandardError()).trimmed();
    }
    ~SmallDisk() {
        if (mounted_) QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), folder_});
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    std::string why() const { return why_.toStdString(); }

    // Fills the disk with a file until no byte more fits, then frees
    // `leave` bytes of it again.
    void fill(qint64 leave) const {
        QFile filler(QDir(folder_).filePath(QStringLiteral(".filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Append)) return;
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
        const QByteArray one(1, 'f');
        while (filler.open(QIODevice::WriteOnly | QIODevice::Append) && filler.write(one) == 1 &&
               filler.flush())
            filler.close();
        filler.close();
        filler.resize(std::max<qint64>(0, filler.size() - leave));
    }
    // Takes every entry the disk has left (bytes stay free).
    void fillEntries() const {
        for (int i = 0; i < 100000; ++i) {
            QFile entry(QDir(folder_).filePath(QStringLiteral(".entry-%1").arg(i)));
            if (!entry.open(QIODevice::WriteOnly)) return;
        }
    }
    // Makes room again.
    void empty() const {
        QDir folder(folder_);
        for (const QString& name :
             folder.entryList({QStringLiteral(".filler"), QStringLiteral(".entry-*")},
                              QDir::Files | QDir::Hidden))
            QFile::remove(folder.filePath(name));
    }

private:
    QString folder_;
    bool mounted_ = false;
    QString why_;
};

}  // namespace testing_support
