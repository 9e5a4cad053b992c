#include "core/ui/gui_file_dialogs.h"

#include <QApplication>
#include <QFileDialog>

std::optional<QString> GuiFileDialogPort::choose(const FileDialogRequest& request) {
    QWidget* owner = QApplication::activeWindow();
    QString path;
    switch (request.kind) {
        case FileDialogRequest::Kind::Open:
            path = QFileDialog::getOpenFileName(owner, request.title, request.startPath,
                                                dialogFilter(request.filter));
            break;
        case FileDialogRequest::Kind::Save:
            path = QFileDialog::getSaveFileName(owner, request.title, request.startPath,
                                                dialogFilter(request.filter));
            break;
        case FileDialogRequest::Kind::Folder:
            path = QFileDialog::getExistingDirectory(owner, request.title, request.startPath);
            break;
    }
    if (path.isEmpty()) return std::nullopt;
    return path;
}
