#pragma once

#include <QBrush>
#include <QImage>
#include <QPen>
#include <QString>

class QPainter;

namespace sw::artwork {

// The program's own pictures, drawn by code. Button pictures hold their states side by side
// (normal, disabled, pressed); black is their transparent colour, and each state image has
// exactly one black pixel, at its bottom-left corner.

QImage header();                              // Image3: 700 x 120, logo left, name and version right
QImage makerName();                           // Image1: 239 x 18, the maker's name in grey
QImage roundButton(QChar symbol);             // BitBtn4 'X', BitBtn5 '?': 84 x 27, 3 states
QImage navigationButton(const QString& text); // BitBtn10..12: 165 x 21, 1 state
QImage plateButton(const QString& text);      // BitBtn3/6/8: 438 x 51, 3 states
QImage browseButton();                        // BitBtn1 "...": 93 x 30, 3 states
QImage undoButton();                          // BitBtn13, a turning-back arrow: 93 x 30, 3 states
QImage defaultThumbnail();                    // thumbnail.jpg: 256 x 128

// The program's icon for the desktop: the logo on a round plate, `size` pixels.
QImage applicationIcon(int size);

// The maker's logo, the tail fin in a ring, filling the square `box`: the ring drawn with
// `ring` around `plate`.
void paintLogo(QPainter& p, const QRectF& box, const QPen& ring, const QBrush& plate);

// Writes the default picture as a JPEG file; false when it cannot be written.
bool writeDefaultThumbnail(const QString& path);

} // namespace sw::artwork
