#include "app/widgets/xgraph_utils.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>

namespace sw {

namespace {

std::atomic<SystemColorLookup> g_lookup{&classicSystemColor};

int clampChannel(int v) {
    return std::clamp(v, 0, 255);
}

// Rounds to the nearest integer, halves to the even neighbour (the FPU's default mode).
int roundHalfEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

double hueToChannel(double m1, double m2, double h) {
    if (h < 0)
        h += 1;
    if (h > 1)
        h -= 1;
    if (6 * h < 1)
        return m1 + (m2 - m1) * h * 6;
    if (2 * h < 1)
        return m2;
    if (3 * h < 2)
        return m1 + (m2 - m1) * (2.0 / 3.0 - h) * 6;
    return m1;
}

} // namespace

void setSystemColorLookup(SystemColorLookup lookup) {
    g_lookup = lookup ? lookup : &classicSystemColor;
}

TColor classicSystemColor(int index) {
    switch (index) {
    case 2:  // active caption
    case 13: // highlight
        return rgbColor(10, 36, 106);
    case 5:  // window
    case 14: // highlight text
    case 20: // button highlight
        return clWhite;
    case 15: // button face
        return rgbColor(212, 208, 200);
    case 16: // button shadow
        return rgbColor(128, 128, 128);
    default: // window frame, window text, button text and the rest
        return clBlack;
    }
}

TColor ColorToRGB(TColor color) {
    if (color < 0)
        return g_lookup.load()(color & 0xFFFFFF) & 0xFFFFFF;
    return color & 0xFFFFFF;
}

TColor LightenColor(TColor color, int amount) {
    const TColor c = ColorToRGB(color);
    return rgbColor(clampChannel(redOf(c) + amount), clampChannel(greenOf(c) + amount),
                    clampChannel(blueOf(c) + amount));
}

TColor DarkenColor(TColor color, int amount) {
    return LightenColor(color, -amount);
}

HSL ColorToHSL(TColor color) {
    const TColor c = ColorToRGB(color);
    const double r = redOf(c) / 255.0;
    const double g = greenOf(c) / 255.0;
    const double b = blueOf(c) / 255.0;
    const double mx = std::max({r, g, b});
    const double mn = std::min({r, g, b});
    const double l = (mx + mn) / 2;
    double h = 0;
    double s = 0;
    if (mx != mn) {
        const double delta = mx - mn;
        s = l < 0.5 ? delta / (mx + mn) : delta / (2 - mx - mn);
        // Red before green before blue when two channels share the maximum.
        if (r == mx)
            h = (g - b) / delta;
        else if (g == mx)
            h = 2 + (b - r) / delta;
        else
            h = 4 + (r - g) / delta;
        h /= 6;
        if (h < 0)
            h += 1;
    }
    return HSL{roundHalfEven(h * 254), roundHalfEven(s * 255), roundHalfEven(l * 255)};
}

TColor HSLToColor(int hue, int saturation, int lightness) {
    const double h = hue / 254.0;
    const double s = saturation / 255.0;
    const double l = lightness / 255.0;
    if (s == 0) {
        const int v = clampChannel(roundHalfEven(l * 255));
        return rgbColor(v, v, v);
    }
    const double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    const double m1 = 2 * l - m2;
    auto channel = [&](double x) { return clampChannel(roundHalfEven(hueToChannel(m1, m2, x) * 255)); };
    return rgbColor(channel(h + 1.0 / 3.0), channel(h), channel(h - 1.0 / 3.0));
}

int mulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    const long long num = static_cast<long long>(a) * b;
    const long long den = c;
    const bool negative = (num < 0) != (den < 0);
    const long long q = (std::llabs(num) + std::llabs(den) / 2) / std::llabs(den);
    return static_cast<int>(negative ? -q : q);
}

bool gradientIsVertical(int direction) {
    return direction == 0 || direction == 1;
}

std::vector<GradientBand> gradientBands(int width, int height, TColor startColor, TColor endColor,
                                        int direction, int colors) {
    std::vector<GradientBand> bands;
    if (width <= 0 || height <= 0)
        return bands;
    const int extent = gradientIsVertical(direction) ? height : width;
    if (colors < 2) {
        bands.push_back({0, extent, startColor});
        return bands;
    }
    TColor first = ColorToRGB(startColor);
    TColor last = ColorToRGB(endColor);
    if (direction == 1 || direction == 3)
        std::swap(first, last);

    const int n = std::max(2, std::min(colors, extent));
    const int bandSize = extent / n;
    if (bandSize > 0) {
        bands.reserve(static_cast<std::size_t>(n) + 1);
        for (int j = 0; j < n; ++j) {
            const int r = redOf(first) + mulDiv(j, redOf(last) - redOf(first), n - 1);
            const int g = greenOf(first) + mulDiv(j, greenOf(last) - greenOf(first), n - 1);
            const int b = blueOf(first) + mulDiv(j, blueOf(last) - blueOf(first), n - 1);
            bands.push_back({j * bandSize, bandSize, rgbColor(r, g, b)});
        }
    }
    // What the whole bands leave over goes to the last colour.
    const int rest = extent % n;
    if (rest > 0)
        bands.push_back({extent - rest, rest, last});
    return bands;
}

} // namespace sw
