#pragma once
// Presets of common mail providers for the communication settings: a table
// of address domains and servers, read from a small text file (the built-in
// one, or "Providers.txt" in the program folder when the user keeps one
// there). The format is described in the built-in file.

#include <QList>
#include <QString>

struct CommSettings;

struct ProviderPreset {
    int tag = 0;
    QString caption;
    QString domain;  // "@..." with an optional "xxxx" to complete
    QString smtpHost;
    QString pop3Host;
    // The name shown in the question: the caption up to "(".
    QString name() const;
};

class ProviderPresets {
public:
    // The built-in table, or `overridePath` when that file exists and reads.
    static ProviderPresets load(const QString& overridePath = {});
    static ProviderPresets parse(const QString& text);

    const QList<ProviderPreset>& items() const { return items_; }
    const ProviderPreset* item(int tag) const;
    // The table row of a tag: the tag itself up to 100, row 1 for 101 and 102.
    const ProviderPreset* row(int tag) const;

    // Fills the account and servers for the preset (the address keeps its
    // local part, or becomes the call sign's). False for an unknown tag.
    bool apply(int tag, CommSettings& settings) const;

private:
    QList<ProviderPreset> items_;
};
