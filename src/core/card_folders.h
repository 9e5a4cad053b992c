#pragma once
// The folders cards are filed in, full paths: the received cards, the sent
// cards, and the message texts of received cards ("QslMsg" beside the
// received folder); and where the sheets written for the person go.

#include <QString>

struct CardFolders {
    QString receivedDir;
    QString sentDir;
    QString messageDir;
    QString sheetsDir{};  // "集計" in the program folder
};
