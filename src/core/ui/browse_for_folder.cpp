#include "core/ui/browse_for_folder.h"

#include "core/file_dialogs.h"
#include "core/mklink.h"

#include <QDir>

bool BrowseForFolder(const QString& title, QString& folder) {
    const std::optional<QString> chosen =
        chooseFile({FileDialogRequest::Kind::Folder, title, QString(), folder});
    if (!chosen || chosen->isEmpty()) return false;
    folder = QDir::toNativeSeparators(*chosen);
    if (!EndsWithBackslash(folder)) folder += QDir::separator();
    return true;
}
