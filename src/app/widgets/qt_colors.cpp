#include "app/widgets/qt_colors.h"

#include <QGuiApplication>
#include <QPalette>

namespace sw {

namespace {

TColor paletteColor(int index) {
    const QPalette palette = QGuiApplication::palette();
    auto pick = [&](QPalette::ColorRole role) { return fromQColor(palette.color(QPalette::Active, role)); };
    switch (index) {
    case 2: // active caption
    case 13:
        return pick(QPalette::Highlight);
    case 5:
        return pick(QPalette::Base);
    case 6: // window frame
        return pick(QPalette::Shadow);
    case 8:
        return pick(QPalette::Text);
    case 14:
        return pick(QPalette::HighlightedText);
    case 15:
        return pick(QPalette::Button);
    case 16:
        return pick(QPalette::Dark);
    case 18:
        return pick(QPalette::ButtonText);
    case 20:
        return pick(QPalette::Light);
    default:
        return classicSystemColor(index);
    }
}

} // namespace

void usePaletteSystemColors() {
    setSystemColorLookup(&paletteColor);
}

QColor toQColor(TColor color) {
    const TColor rgb = ColorToRGB(color);
    return QColor(redOf(rgb), greenOf(rgb), blueOf(rgb));
}

TColor fromQColor(const QColor& color) {
    return rgbColor(color.red(), color.green(), color.blue());
}

} // namespace sw
