#pragma once
// The settings store: an INI-style file read once into memory, changed there
// and written back by flush. The same class keeps the rig/antenna data file.
//
// File format: CP932 text, CR LF lines. "[name]" opens a section; the other
// lines of a section are kept as they are, "key=value" lines being its keys.
// Empty lines, lines starting with ";" and lines before the first section are
// dropped on reading. A section name may occur twice: both are kept and
// written back, every look-up finds the first. Names ignore letter case.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <vector>

// A string list whose save reports a failure to the person and goes no
// further. Saving writes a temporary file and renames it over the old one, so
// the old file survives a crash or a full disk.
class TStringLX {
public:
    QStringList lines;
    // Readable and writable by the owner alone (a file that holds passwords).
    bool ownerOnly = false;

    // The lines as CP932 text, each ended by CR LF.
    QByteArray text() const;
    [[nodiscard]] bool SaveToFile(const QString& fileName, bool reportFailure = true) const;
};

class TZkwIni {
public:
    explicit TZkwIni(QString fileName);
    ~TZkwIni();  // flushes
    TZkwIni(const TZkwIni&) = delete;
    TZkwIni& operator=(const TZkwIni&) = delete;

    void load();

    QString readString(QStringView section, QStringView key, const QString& def) const;
    // Text that is not a whole number reads as 0, not as the default.
    int readInteger(QStringView section, QStringView key, int def) const;
    void writeString(QStringView section, QStringView key, const QString& value);
    void writeInteger(QStringView section, QStringView key, int value);
    // An empty value deletes the key.
    void writeOrDelete(QStringView section, QStringView key, const QString& value);
    void deleteKey(QStringView section, QStringView key);
    void eraseSection(QStringView section);

    // Passwords are kept as decimal 16-bit words, "25185x" for "ab".
    QString readWords(QStringView section, QStringView key) const;
    void writeWords(QStringView section, QStringView key, const QString& text);

    // Writes the file when its written form differs from the text loaded from
    // it. False when the file could not be written: the person is told, once
    // for the same settings and file (a retry at exit stays quiet).
    [[nodiscard]] bool flush();
    // Flushes, then binds the store to another file; the settings in memory
    // stay and the next flush writes the new file.
    void rebind(const QString& fileName);
    // The file is only read: nothing is ever written back to it.
    void readOnly() { fileName_.clear(); }

    const QString& fileName() const { return fileName_; }
    bool hasSection(QStringView section) const;
    // The lines of the first section of that name.
    QStringList sectionLines(QStringView section) const;
    QStringList sectionNames() const;
    // The written form: every section, its lines, one empty line.
    QByteArray render() const;

private:
    struct Section {
        QString name;
        QStringList lines;
    };
    Section* findSection(QStringView name);
    const Section* findSection(QStringView name) const;
    TStringLX writtenForm() const;
    static qsizetype findKey(const QStringList& lines, QStringView key);

    QString fileName_;
    std::vector<Section> sections_;
    QByteArray loadedText_;
    QByteArray unwrittenText_;  // what the last failed flush could not write
    QString unwrittenFile_;
};

// A list key ("Pos", "Progres", "CallXY"): up to five integers; a missing
// value, or one that starts with a blank or control character, is
// 0, 0, 400, 400, 0.
std::array<int, 5> readSettingsList(const TZkwIni& settings, QStringView section, QStringView key);

// Word encoding of the password keys, as pure functions.
QString encodeWords(const QByteArray& bytes);
QByteArray decodeWords(QStringView value);
