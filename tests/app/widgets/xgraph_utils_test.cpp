#include "app/widgets/xgraph_utils.h"

#include <gtest/gtest.h>

namespace sw {
namespace {

constexpr TColor kSteelBlue = 9728318; // RGB 62, 113, 148

TEST(XGraphUtils, LightenAndDarkenClampEachChannel) {
    EXPECT_EQ(LightenColor(kSteelBlue, 96), rgbColor(158, 209, 244));
    EXPECT_EQ(LightenColor(rgbColor(200, 250, 10), 10), rgbColor(210, 255, 20));
    EXPECT_EQ(DarkenColor(rgbColor(200, 5, 64), 64), rgbColor(136, 0, 0));
    EXPECT_EQ(DarkenColor(clWhite, 160), rgbColor(95, 95, 95));
    // The marker values carry no colour of their own: only the low three bytes count.
    EXPECT_EQ(LightenColor(clDefault, 0), clBlack);
}

TColor fixedLookup(int index) {
    return index == 15 ? rgbColor(1, 2, 3) : rgbColor(9, 9, 9);
}

TEST(XGraphUtils, SystemColoursResolveThroughTheLookup) {
    EXPECT_EQ(ColorToRGB(clBtnFace), rgbColor(212, 208, 200));
    setSystemColorLookup(&fixedLookup);
    EXPECT_EQ(LightenColor(clBtnFace, 10), rgbColor(11, 12, 13));
    EXPECT_EQ(ColorToRGB(clBtnShadow), rgbColor(9, 9, 9));
    setSystemColorLookup(nullptr); // back to the classic table
    EXPECT_EQ(ColorToRGB(clBtnFace), rgbColor(212, 208, 200));
}

TEST(XGraphUtils, ColorToHSLScalesAndRoundsHalvesToEven) {
    EXPECT_EQ(ColorToHSL(kSteelBlue), (HSL{144, 104, 105}));
    // Lightness 127.5 rounds up to 128, 126.5 down to 126.
    EXPECT_EQ(ColorToHSL(rgbColor(255, 0, 0)), (HSL{0, 255, 128}));
    EXPECT_EQ(ColorToHSL(rgbColor(0, 0, 253)), (HSL{169, 255, 126}));
    EXPECT_EQ(ColorToHSL(rgbColor(0, 255, 0)).h, 85);
    // Magenta: a hue of -1/6 wraps round to 5/6.
    EXPECT_EQ(ColorToHSL(rgbColor(255, 0, 255)).h, 212);
    EXPECT_EQ(ColorToHSL(rgbColor(77, 77, 77)), (HSL{0, 0, 77}));
}

TEST(XGraphUtils, HSLToColorInvertsColorToHSL) {
    EXPECT_EQ(HSLToColor(0, 90, 140), rgbColor(181, 99, 99));
    EXPECT_EQ(HSLToColor(169, 90, 140), rgbColor(99, 100, 181));
    EXPECT_EQ(HSLToColor(144, 104, 105), kSteelBlue);
    EXPECT_EQ(HSLToColor(123, 0, 200), rgbColor(200, 200, 200));
    for (TColor c :
         {rgbColor(210, 227, 238), rgbColor(10, 200, 30), rgbColor(250, 120, 5), rgbColor(1, 2, 250)}) {
        const HSL hsl = ColorToHSL(c);
        const TColor back = HSLToColor(hsl.h, hsl.s, hsl.l);
        EXPECT_NEAR(redOf(back), redOf(c), 3) << c;
        EXPECT_NEAR(greenOf(back), greenOf(c), 3) << c;
        EXPECT_NEAR(blueOf(back), blueOf(c), 3) << c;
    }
}

TEST(XGraphUtils, MulDivRoundsHalvesAwayFromZero) {
    EXPECT_EQ(mulDiv(22, 255, 44), 128);
    EXPECT_EQ(mulDiv(1, -3, 2), -2);
    EXPECT_EQ(mulDiv(1, 1, 3), 0);
    EXPECT_EQ(mulDiv(3, 5, 0), -1);
}

TEST(XGraphUtils, GradientOver45RowsGivesOneRowPerBand) {
    const auto bands = gradientBands(10, 45, clBlack, clWhite, 0, 255);
    ASSERT_EQ(bands.size(), 45u);
    for (int j = 0; j < 45; ++j) {
        EXPECT_EQ(bands[j].offset, j);
        EXPECT_EQ(bands[j].size, 1);
    }
    EXPECT_EQ(bands.front().color, clBlack);
    EXPECT_EQ(bands.back().color, clWhite);
    EXPECT_EQ(bands[22].color, rgbColor(128, 128, 128));
    EXPECT_EQ(bands[1].color, rgbColor(6, 6, 6)); // 255 / 44 = 5.8
}

TEST(XGraphUtils, GradientRemainderTakesTheLastColour) {
    // 10 rows in 4 colours: bands of 2 rows, then 2 rows of the last colour.
    const auto bands = gradientBands(3, 10, rgbColor(0, 0, 0), rgbColor(30, 60, 90), 0, 4);
    ASSERT_EQ(bands.size(), 5u);
    EXPECT_EQ(bands[1].color, rgbColor(10, 20, 30));
    EXPECT_EQ(bands[3].offset, 6);
    EXPECT_EQ(bands[3].color, rgbColor(30, 60, 90));
    EXPECT_EQ(bands[4].offset, 8);
    EXPECT_EQ(bands[4].size, 2);
    EXPECT_EQ(bands[4].color, rgbColor(30, 60, 90));

    // One row: two bands of no height, the single row goes to the last colour.
    const auto one = gradientBands(5, 1, clBlack, clWhite, 0, 255);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].offset, 0);
    EXPECT_EQ(one[0].color, clWhite);
}

TEST(XGraphUtils, GradientDirectionsAndDegenerateCases) {
    // Direction 3: left to right, from the end colour to the start colour.
    const auto across = gradientBands(4, 100, clBlack, clWhite, 3, 255);
    ASSERT_EQ(across.size(), 4u);
    EXPECT_EQ(across.front().color, clWhite);
    EXPECT_EQ(across.back().color, clBlack);
    const auto down = gradientBands(100, 4, clBlack, clWhite, 1, 255);
    ASSERT_EQ(down.size(), 4u);
    EXPECT_EQ(down.front().color, clWhite);

    EXPECT_TRUE(gradientBands(0, 10, clBlack, clWhite, 0, 255).empty());
    EXPECT_TRUE(gradientBands(10, -1, clBlack, clWhite, 0, 255).empty());

    const auto single = gradientBands(7, 9, kSteelBlue, clWhite, 0, 1);
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single[0].size, 9);
    EXPECT_EQ(single[0].color, kSteelBlue);
}

} // namespace
} // namespace sw
