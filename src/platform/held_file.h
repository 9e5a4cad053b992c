#pragma once
// A file held open with an exclusive lock of the operating system for as long
// as its holder runs. The lock belongs to the open file, not to its bytes: a
// holder that ends (killed too) holds nothing, and a copy of the file (the
// folder copied elsewhere) is not held by anyone.

#include <QByteArray>
#include <QString>

namespace platform {

class HeldFile {
public:
    HeldFile() = default;
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    enum class Outcome { Held, HeldElsewhere, Failed };
    // Holds `path`, writing `about` into it (who holds it). HeldElsewhere:
    // another run holds it, its words in `holder`.
    [[nodiscard]] Outcome hold(const QString& path, const QByteArray& about, QByteArray* holder);
    bool held() const { return fd_ >= 0; }
    // Removes the file and lets it go; the end does it too.
    void release();

private:
    int fd_ = -1;
    QString path_;
};

}  // namespace platform
