#pragma once
// The recently used pictures and definition files of the main window's
// menus, and the history lists of its place and remark boxes.

#include <QString>
#include <QStringList>

class TZkwIni;

class RecentFiles {
public:
    explicit RecentFiles(int limit) : limit_(limit) {}

    // The files in menu order, full paths.
    const QStringList& files() const { return files_; }

    // Reads `prefix`0 ... of `section`, resolved against the program folder;
    // missing files close up.
    void load(const TZkwIni& settings, QStringView section, QStringView prefix,
              const QString& programDir);
    // Deletes every numbered key, then writes the files renumbered from 0.
    void save(TZkwIni& settings, QStringView section, QStringView prefix,
              const QString& programDir) const;

    // The chosen file first, then the others in order without it (compared
    // without regard to case), cut to the limit.
    void choose(const QString& file);

    // The file first when it is not on the list yet; else the list as it is.
    void include(const QString& file);

    // Takes a file off the list (compared without regard to case).
    void remove(const QString& file);

    // The captions of the menu items in order: "(&0) path", ... Items without
    // a file, or with a caption under 7 characters, are empty (hidden).
    QStringList captions() const;

private:
    int limit_;
    QStringList files_;
};

// A history box's list: every entry equal to `text` is removed and the text
// goes to the top. An empty text changes nothing.
void commitHistory(QStringList& list, const QString& text);
// The list as stored, its first entry the box's text: a text the person
// cleared is stored empty at the top (it would otherwise come back at the
// next start and go onto the next card), the history below it.
QStringList historyWithText(QStringList list, const QString& text);

// Reads `prefix`0 ... `prefix`19 of `section`: entry 0 always, the others
// when not empty.
QStringList loadHistory(const TZkwIni& settings, QStringView section, QStringView prefix);
// Writes the first 20 entries: `prefix`0 always, the others written when not
// empty and deleted when empty.
void saveHistory(TZkwIni& settings, QStringView section, QStringView prefix,
                 const QStringList& list);
