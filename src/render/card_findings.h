#pragma once
// What drawing one card noticed that its reader would miss or stumble over:
// text cut off at the card's edge or squeezed out of its box, and fields the
// card prints that are empty for this QSO. Drawing goes on regardless; the
// send batch lists them before the first mail goes out.

#include <QString>
#include <QStringList>

struct CardFindings {
    QStringList overflows;    // "「JA1ABC QTH ...」が右端からはみ出します"
    QStringList emptyFields;  // "QTH", "RST", ...
    bool empty() const { return overflows.isEmpty() && emptyFields.isEmpty(); }
    void clear() {
        overflows.clear();
        emptyFields.clear();
    }
};

// A drawn text as a finding names it: its first 24 characters.
inline QString findingText(const QString& text) {
    const QString simple = text.simplified();
    return simple.size() > 24 ? simple.left(24) + QStringLiteral("…") : simple;
}
