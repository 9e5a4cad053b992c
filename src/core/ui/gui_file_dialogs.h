#pragma once
// The file and folder dialogs of the desktop program.

#include "core/file_dialogs.h"

class GuiFileDialogPort : public FileDialogPort {
public:
    std::optional<QString> choose(const FileDialogRequest& request) override;
};
