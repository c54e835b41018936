#pragma once

#include "app/core/house_colours.h"

#include <QColor>
#include <QFont>
#include <QString>

class QWidget;
class QLabel;
class QFrame;
namespace sw {
class TALComboBox;
}

namespace sw::look {

// A colour value of the window (0x00BBGGRR) as a QColor.
QColor colour(unsigned value);

inline constexpr unsigned kLight = kLightColour;
inline constexpr unsigned kDark = kDarkColour;
inline constexpr unsigned kDeepBlue = 6438428;    // RGB 28, 62, 98: outlines in the program's pictures
inline constexpr unsigned kOverlayFont = 2062183; // RGB 103, 119, 31

// "Bookman Old Style" at a pixel height (the window's fonts are given as negative heights).
QFont bookman(int pixelHeight, bool bold);

// Paints a widget's background with `colour`.
void setBackground(QWidget* widget, const QColor& colour);
void setTextColour(QWidget* widget, const QColor& colour);

// A panel without bevel at the given place, coloured.
QFrame* panel(QWidget* parent, const char* name, QRect geometry, unsigned colour);

// An auto-sized label at `position`.
QLabel* label(QWidget* parent, const char* name, QPoint position, const QString& text, const QFont& font,
              unsigned textColour);

// A flat combo box of the views: regular Bookman, items 19 high, border and arrow dark, button
// and fill light.
TALComboBox* comboBox(QWidget* parent, const char* name, QRect geometry, int fontHeight);

} // namespace sw::look
