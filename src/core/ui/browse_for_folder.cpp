#include "core/ui/browse_for_folder.h"

#include "core/mklink.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

bool BrowseForFolder(const QString& title, QString& folder) {
    const QString chosen = QFileDialog::getExistingDirectory(QApplication::activeWindow(), title,
                                                             folder, QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) return false;
    folder = QDir::toNativeSeparators(chosen);
    if (!EndsWithBackslash(folder)) folder += QDir::separator();
    return true;
}
