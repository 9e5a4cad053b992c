#pragma once
// The folders cards are filed in, full paths: the received cards, the sent
// cards, and the message texts of received cards ("QslMsg" beside the
// received folder).

#include <QString>

struct CardFolders {
    QString receivedDir;
    QString sentDir;
    QString messageDir;
};
