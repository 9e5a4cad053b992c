#pragma once
// Pictures the main window shows or makes beside the cards: expert mode's
// preview of a definition, and a photo resized to a standard card size.

#include <QImage>
#include <QSize>
#include <QString>

// The first picture a definition's #Jpg lines name that exists, cut from its
// top-left to the card's shape (528x336); a null image when there is none.
QImage definitionPreview(const QString& definitionPath);

// The photo as a beginner card will use it: read upright at most 1056 pixels
// wide, and cut to the part of it the card keeps (its top-left, by the
// photo-size setting). `size` gets the photo's own size (invalid when it
// cannot be read); a null image when it cannot be read.
QImage photoPreview(const QString& photoPath, int sizeSetting, QSize* size);

enum class ResizeResult { Written, Unreadable, Unwritable };
// The photo cropped from its top-left to the target's shape and written at
// the target's size as a JPEG.
ResizeResult writeResizedPhoto(const QString& photo, QSize target, const QString& path);
