#pragma once

// The bridge between colour values and Qt: system colours come from the application's
// palette, and colour values become QColors.

#include "app/widgets/xgraph_utils.h"

#include <QColor>

namespace sw {

// Makes ColorToRGB resolve system colours through QGuiApplication::palette(). Idempotent;
// every control calls it when it is created.
void usePaletteSystemColors();

// The colour with the system colours resolved.
QColor toQColor(TColor color);

// The colour value of an opaque QColor.
TColor fromQColor(const QColor& color);

} // namespace sw
