#pragma once

#include <QString>

// The folder picker, opened on `folder`. True and `folder` replaced by the
// chosen path (ending in a separator) when the person picks one.
bool BrowseForFolder(const QString& title, QString& folder);
