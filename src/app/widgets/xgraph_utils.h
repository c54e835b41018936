#pragma once

// Colour arithmetic of the custom controls, free of any window system: it works on colour
// values and computes where gradient bands go, and the controls draw the result.

#include <cstdint>
#include <vector>

namespace sw {

// A colour value: red, green and blue in the low three bytes from the least significant byte
// up ($00BBGGRR). A negative value names a system colour whose index is its lower 24 bits.
using TColor = std::int32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clNavy = 0x800000;
// Not colours but markers: "no colour of its own" and "the control's default".
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// System colours (index | $FF000000), the indices of GetSysColor.
inline constexpr TColor systemColor(int index) {
    return static_cast<TColor>(0xFF000000u | static_cast<std::uint32_t>(index));
}
inline constexpr TColor clActiveCaption = systemColor(2);
inline constexpr TColor clWindow = systemColor(5);
inline constexpr TColor clWindowFrame = systemColor(6);
inline constexpr TColor clWindowText = systemColor(8);
inline constexpr TColor clHighlight = systemColor(13);
inline constexpr TColor clHighlightText = systemColor(14);
inline constexpr TColor clBtnFace = systemColor(15);
inline constexpr TColor clBtnShadow = systemColor(16);
inline constexpr TColor clBtnText = systemColor(18);
inline constexpr TColor clBtnHighlight = systemColor(20);

inline constexpr TColor rgbColor(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}
inline constexpr int redOf(TColor c) {
    return c & 0xFF;
}
inline constexpr int greenOf(TColor c) {
    return (c >> 8) & 0xFF;
}
inline constexpr int blueOf(TColor c) {
    return (c >> 16) & 0xFF;
}

// Where system colours come from. The default table holds the classic Windows scheme; the
// widgets install one that reads the application's palette.
using SystemColorLookup = TColor (*)(int index);
void setSystemColorLookup(SystemColorLookup lookup);
TColor classicSystemColor(int index);

// The RGB value of a colour: system colours resolved through the lookup, everything else
// reduced to its low three bytes (clNone and clDefault thus read as black).
TColor ColorToRGB(TColor color);

TColor LightenColor(TColor color, int amount);
TColor DarkenColor(TColor color, int amount);

// Hue 0..254, saturation and lightness 0..255.
struct HSL {
    int h = 0;
    int s = 0;
    int l = 0;
    bool operator==(const HSL&) const = default;
};
HSL ColorToHSL(TColor color);
TColor HSLToColor(int h, int s, int l);

// One band of FillGradient: `size` rows (or columns) starting `offset` from the rectangle's
// top (or left) edge.
struct GradientBand {
    int offset = 0;
    int size = 0;
    TColor color = 0;
};

// Directions 0 and 1 grade from top to bottom, 2 and 3 from left to right; 0 and 2 run from
// `startColor` to `endColor`, 1 and 3 the other way round.
bool gradientIsVertical(int direction);

// The bands FillGradient paints over a rectangle of the given width and height, in painting
// order. An empty rectangle gives none; fewer than two colours give one band of the start
// colour over the whole extent.
std::vector<GradientBand> gradientBands(int width, int height, TColor startColor, TColor endColor,
                                        int direction, int colors);

// Windows' MulDiv: a * b / c rounded to the nearest integer, halves away from zero; -1 when
// c is 0.
int mulDiv(int a, int b, int c);

} // namespace sw
