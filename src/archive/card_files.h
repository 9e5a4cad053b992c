#pragma once
// What the received list does with card files: copy or move them into the
// logging program's folder of pictures found by call sign, rename one so
// that it matches a QSO, delete them. A received card's message text (the
// same name, ".txt", in the message folder) goes with it.

#include <QString>
#include <QStringList>

// The folder a card goes to in the picture folder: its sub-folder named by
// the card's first two characters when there is one, else the folder.
QString pictureHitTarget(const QString& hitFolder, const QString& cardName);

// Copies (overwriting) or moves the cards into the picture folder; a moved
// card's text is deleted. The cards done, in the order given; a card that
// could not be copied or moved is left out.
QStringList copyCardsToPictureFolder(const QStringList& cardNames, const QString& receivedDir,
                                     const QString& messageDir, const QString& hitFolder,
                                     bool move);

// A new name the rename for a forced match takes: another name than the old
// one (not only in letter case), ".jpg", and six fields ("_" at least two
// characters after the one before).
bool acceptableCardRename(const QString& oldName, const QString& newName);
// Renames the card, and its text when it has one. False when the card could
// not be renamed (nothing changed).
[[nodiscard]] bool renameCard(const QString& receivedDir, const QString& messageDir,
                              const QString& oldName, const QString& newName);

// Deletes the card and, in any case, its text. False when the card is still
// there.
[[nodiscard]] bool deleteCard(const QString& folder, const QString& messageDir,
                              const QString& cardName);
