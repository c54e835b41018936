#include "app/widgets/marquee_bar.h"
#include "app/widgets/qt_colors.h"
#include "support/temp_dir.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace sw {
namespace {

constexpr TColor kLight = 15655890;    // RGB 210, 227, 238
constexpr TColor kSteelBlue = 9728318; // RGB 62, 113, 148

QRgb rgb(TColor c) {
    return qRgb(redOf(c), greenOf(c), blueOf(c));
}

// mb1 as the window configures it, shown so that it paints.
struct Mb1 {
    explicit Mb1(TGradientStyle style = TGradientStyle::gsRightToLeft) {
        bar.SetAnimationSpeed(60);
        bar.SetBackColor(kLight);
        bar.SetBarColor(kSteelBlue);
        bar.SetBorderColor(kSteelBlue);
        bar.SetBorderStyle(TBorderStyle::bsFlat);
        bar.SetDefaultStyled(false);
        bar.SetGradientStyle(style);
        bar.SetParented(false);
        bar.resize(576, 49);
        bar.show();
    }
    QImage frame() { return bar.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    TMarqueeBar bar;
};

// The left columns of the blocks seen in a frame, read along the middle row.
std::vector<int> blockColumns(const QImage& img, int slotWidth, int margin, QRgb back) {
    std::vector<int> columns;
    for (int x = margin; x + slotWidth <= img.width(); x += slotWidth)
        if (img.pixel(x, img.height() / 2) != back)
            columns.push_back(x);
    return columns;
}

TEST(MarqueeBar, ConstructorDefaults) {
    sw::test::ScopedEnv plain("SKINWRIGHT_THEMED", nullptr);
    TMarqueeBar bar;
    EXPECT_FALSE(bar.Active());
    EXPECT_EQ(bar.AnimationSpeed(), 60);
    EXPECT_EQ(bar.BackColor(), clBtnFace);
    EXPECT_EQ(bar.BarColor(), clActiveCaption);
    EXPECT_EQ(bar.BorderColor(), clDefault);
    EXPECT_EQ(bar.BorderStyle(), TBorderStyle::bsFlat);
    EXPECT_EQ(bar.GradientStyle(), TGradientStyle::gsRightToLeft);
    EXPECT_FALSE(bar.DefaultStyled());
    EXPECT_FALSE(bar.Parented());
    EXPECT_EQ(bar.StepCounter(), 0);
    EXPECT_FALSE(bar.AnimationTimer().isActive());
    // 145 x 17 builds blocks of 8 x 13: 14 slotTotal and a snapped width of 144.
    EXPECT_EQ(bar.BlockPicture(1).size(), QSize(8, 13));
    EXPECT_EQ(bar.SlotCount(), 14);
    EXPECT_EQ(bar.width(), 144);
    EXPECT_EQ(bar.height(), 17);
    EXPECT_EQ(bar.BuiltWidth(), 145);
}

TEST(MarqueeBar, Mb1BlocksInBothGradientStyles) {
    sw::test::ScopedEnv plain("SKINWRIGHT_THEMED", nullptr);
    Mb1 rtl;
    rtl.frame();
    const TColor expected[7] = {rgbColor(62, 113, 148),  rgbColor(78, 129, 164),  rgbColor(94, 145, 180),
                                rgbColor(110, 161, 196), rgbColor(126, 177, 212), rgbColor(142, 193, 228),
                                rgbColor(158, 209, 244)};
    for (int i = 1; i <= 7; ++i)
        EXPECT_EQ(rtl.bar.BlockColor(i), expected[i - 1]) << "block " << i;

    // Seven steps in: the head in slot 6 (x = 6 * 26 + 2), the tail in slot 0.
    for (int i = 0; i < 7; ++i)
        rtl.bar.Step();
    const QImage img = rtl.frame();
    for (int i = 1; i <= 7; ++i) {
        const int x = (7 - i) * 26 + 2;
        EXPECT_EQ(img.pixel(x, 2), rgb(expected[i - 1])) << "block " << i;
        EXPECT_EQ(img.pixel(x + 23, 46), rgb(expected[i - 1])) << "block " << i;
        EXPECT_EQ(img.pixel(x + 24, 20), rgb(kLight)) << "gap after block " << i;
    }

    Mb1 center(TGradientStyle::gsCenter);
    center.frame();
    EXPECT_EQ(center.bar.BlockColor(1), rgbColor(158, 209, 244));
    EXPECT_EQ(center.bar.BlockColor(4), kSteelBlue);
    EXPECT_EQ(center.bar.BlockColor(7), rgbColor(158, 209, 244));
    EXPECT_EQ(center.bar.BlockColor(3), rgbColor(94, 145, 180));
}

TEST(MarqueeBar, Mb1GeometryOutsideThemedMode) {
    sw::test::ScopedEnv plain("SKINWRIGHT_THEMED", nullptr);
    Mb1 mb1;
    mb1.frame();
    EXPECT_FALSE(mb1.bar.ThemedMode());
    EXPECT_EQ(mb1.bar.BlockPicture(1).size(), QSize(24, 45));
    EXPECT_EQ(mb1.bar.SlotCount(), 22);
    EXPECT_EQ(mb1.bar.width(), 576);

    // Flat border in the border colour, background inside, no block at step 0.
    const QImage img = mb1.frame();
    ASSERT_EQ(img.size(), QSize(576, 49));
    for (QPoint p :
         {QPoint(0, 0), QPoint(575, 0), QPoint(0, 48), QPoint(575, 48), QPoint(300, 0), QPoint(0, 20)})
        EXPECT_EQ(img.pixel(p), rgb(kSteelBlue)) << p.x() << "," << p.y();
    EXPECT_TRUE(blockColumns(img, 26, 2, rgb(kLight)).empty());
    EXPECT_EQ(img.pixel(1, 1), rgb(kLight));
    EXPECT_EQ(img.pixel(574, 47), rgb(kLight));
}

TEST(MarqueeBar, ThemedModeBuildsGlassBlocksAndSnapsTheWidth) {
    sw::test::ScopedEnv themed("SKINWRIGHT_THEMED", "1");
    Mb1 mb1;
    mb1.frame();
    EXPECT_TRUE(mb1.bar.ThemedMode());
    EXPECT_EQ(mb1.bar.BlockPicture(1).size(), QSize(22, 43));
    EXPECT_EQ(mb1.bar.SlotCount(), 23);
    EXPECT_EQ(mb1.bar.width(), 556);
    mb1.frame(); // the rebuild at 556 keeps it
    EXPECT_EQ(mb1.bar.SlotCount(), 23);
    EXPECT_EQ(mb1.bar.width(), 556);

    // Glass: the top row has the block colour, the row above the seam LightenColor(K, 48)
    // graded in, the seam starts at LightenColor(K, 40).
    const QImage& head = mb1.bar.BlockPicture(1);
    const int half = 43 / 2;
    EXPECT_EQ(head.pixel(0, 0), rgb(kSteelBlue));
    EXPECT_EQ(head.pixel(5, half), rgb(LightenColor(kSteelBlue, 48)));
    EXPECT_EQ(head.pixel(5, half + 1), rgb(LightenColor(kSteelBlue, 40)));
    EXPECT_EQ(head.pixel(5, half + 3), rgb(DarkenColor(kSteelBlue, 8)));
    EXPECT_EQ(head.pixel(5, 42), rgb(LightenColor(kSteelBlue, 16)));

    // Blocks sit at a margin of 3.
    mb1.bar.Step();
    const QImage img = mb1.frame();
    EXPECT_EQ(img.pixel(3, 3), rgb(kSteelBlue));
    EXPECT_EQ(img.pixel(2, 20), rgb(kLight));
}

TEST(MarqueeBar, ThemedDefaultStyledBackground) {
    sw::test::ScopedEnv themed("SKINWRIGHT_THEMED", "1");
    Mb1 mb1;
    mb1.bar.SetDefaultStyled(true);
    mb1.bar.SetParented(true); // DefaultStyled wins
    mb1.frame();               // snaps the width to 556
    const QImage img = mb1.frame();
    const int w = img.width();
    ASSERT_EQ(w, 556);
    EXPECT_EQ(img.pixel(w / 2, 0), qRgb(95, 95, 95));
    EXPECT_EQ(img.pixel(w / 2, 48), qRgb(95, 95, 95));
    EXPECT_EQ(img.pixel(0, 24), qRgb(95, 95, 95));
    // The inner shadow, white darkened by 64: row 1 from x = 2 to W - 3, column 1 from y = 2 to H - 3.
    EXPECT_EQ(img.pixel(2, 1), qRgb(191, 191, 191));
    EXPECT_EQ(img.pixel(w - 3, 1), qRgb(191, 191, 191));
    EXPECT_EQ(img.pixel(1, 2), qRgb(191, 191, 191));
    EXPECT_EQ(img.pixel(1, 46), qRgb(191, 191, 191));
    EXPECT_EQ(img.pixel(2, 30), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(w / 2, 24), qRgb(255, 255, 255));

    // Outside themed mode DefaultStyled changes nothing.
    sw::test::ScopedEnv plain("SKINWRIGHT_THEMED", nullptr);
    const QImage flat = mb1.frame();
    EXPECT_EQ(flat.pixel(2, 1), rgb(kLight));
    EXPECT_EQ(flat.pixel(0, 24), rgb(kSteelBlue));
}

TEST(MarqueeBar, ThemedBarColourAdjustments) {
    sw::test::ScopedEnv themed("SKINWRIGHT_THEMED", "1");
    const struct {
        TColor bar;
        TColor head;
    } cases[] = {
        {0x0000FF, rgbColor(181, 99, 99)}, // pure red: hue kept, s 90, l 140
        {rgbColor(240, 240, 250), DarkenColor(rgbColor(240, 240, 250), 64)}, // light: darkened
        {rgbColor(20, 30, 40), LightenColor(rgbColor(20, 30, 40), 32)},      // dark: lightened
        {kSteelBlue, kSteelBlue},                                            // in between: kept
    };
    for (const auto& c : cases) {
        TMarqueeBar bar;
        bar.SetBarColor(c.bar);
        bar.SetGradientStyle(TGradientStyle::gsNone);
        bar.resize(200, 20);
        bar.show();
        bar.grab();
        EXPECT_EQ(bar.BlockColor(1), c.head) << std::hex << c.bar;
    }
}

TEST(MarqueeBar, StepCounterRunsAFullCycle) {
    sw::test::ScopedEnv plain("SKINWRIGHT_THEMED", nullptr);
    Mb1 mb1;
    mb1.frame();
    const int slotTotal = mb1.bar.SlotCount();
    ASSERT_EQ(slotTotal, 22);
    std::vector<int> seen;
    for (int step = 0; step <= slotTotal + 8; ++step) {
        const QImage img = mb1.frame();
        const auto columns = blockColumns(img, 26, 2, rgb(kLight));
        seen.push_back(mb1.bar.StepCounter());
        const int counter = mb1.bar.StepCounter();
        // Visible blocks: slotTotal max(0, counter - 7) .. min(counter, slotTotal) - 1.
        const int first = std::max(0, counter - 7);
        const int last = std::min(counter, slotTotal);
        ASSERT_EQ(static_cast<int>(columns.size()), std::max(0, last - first)) << "step " << counter;
        if (!columns.empty()) {
            EXPECT_EQ(columns.front(), first * 26 + 2) << "step " << counter;
        }
        mb1.bar.Step();
    }
    // 0, 1, ..., 29, then back to 0.
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(slotTotal + 9));
    for (int i = 0; i <= slotTotal + 7; ++i)
        EXPECT_EQ(seen[i], i);
    EXPECT_EQ(seen.back(), 0);
}

TEST(MarqueeBar, ActiveOffClearsTheBarAndRestartsFromTheLeft) {
    sw::test::ScopedEnv plain("SKINWRIGHT_THEMED", nullptr);
    Mb1 mb1;
    mb1.bar.SetActive(true);
    EXPECT_TRUE(mb1.bar.AnimationTimer().isActive());
    mb1.frame();
    for (int i = 0; i < 12; ++i)
        mb1.bar.Step();
    EXPECT_EQ(blockColumns(mb1.frame(), 26, 2, rgb(kLight)).size(), 7u);

    mb1.bar.SetActive(false);
    EXPECT_FALSE(mb1.bar.AnimationTimer().isActive());
    EXPECT_EQ(mb1.bar.StepCounter(), 0);
    EXPECT_TRUE(blockColumns(mb1.frame(), 26, 2, rgb(kLight)).empty());

    mb1.bar.SetActive(true);
    mb1.bar.Step();
    EXPECT_EQ(blockColumns(mb1.frame(), 26, 2, rgb(kLight)), std::vector<int>{2});
}

TEST(MarqueeBar, NegativeSpeedIsTakenAsItsMagnitude) {
    TMarqueeBar bar;
    bar.SetAnimationSpeed(-100);
    EXPECT_EQ(bar.AnimationSpeed(), 100);
    EXPECT_EQ(bar.AnimationTimer().interval(), 100);
    bar.SetActive(true);
    EXPECT_EQ(bar.AnimationTimer().interval(), 100);
}

TEST(MarqueeBar, ResizedBarSnapsToWholeSlots) {
    sw::test::ScopedEnv plain("SKINWRIGHT_THEMED", nullptr);
    Mb1 mb1;
    mb1.frame();
    mb1.bar.resize(590, 49); // int(586 / 26) = 22 slotTotal -> 576
    EXPECT_EQ(mb1.bar.width(), 590);
    mb1.frame();
    EXPECT_EQ(mb1.bar.width(), 576);
    EXPECT_EQ(mb1.bar.SlotCount(), 22);
}

TEST(MarqueeBar, HiddenBarPaintsNothingButKeepsTicking) {
    sw::test::ScopedEnv plain("SKINWRIGHT_THEMED", nullptr);
    TMarqueeBar bar;
    bar.resize(576, 49);
    bar.SetActive(true);
    bar.Paint();
    EXPECT_TRUE(bar.BackBuffer().isNull());
    EXPECT_EQ(bar.BuiltWidth(), 145); // no build without a paint
    bar.Step();
    EXPECT_EQ(bar.StepCounter(), 1);
    EXPECT_TRUE(bar.AnimationTimer().isActive());
}

TEST(MarqueeBar, BorderStyles) {
    sw::test::ScopedEnv plain("SKINWRIGHT_THEMED", nullptr);
    Mb1 mb1;
    mb1.bar.SetBorderStyle(TBorderStyle::bsNone);
    QImage img = mb1.frame();
    EXPECT_EQ(img.pixel(0, 0), rgb(kLight));
    EXPECT_EQ(img.pixel(575, 48), rgb(kLight));

    mb1.bar.SetBorderStyle(TBorderStyle::bs3D);
    img = mb1.frame();
    const QRgb dark = rgb(DarkenColor(kLight, 64));
    const QRgb light = rgb(LightenColor(kLight, 64));
    EXPECT_EQ(img.pixel(0, 0), dark);
    EXPECT_EQ(img.pixel(0, 47), dark);
    EXPECT_EQ(img.pixel(0, 48), light); // the line stops short of (0, H-1)
    EXPECT_EQ(img.pixel(574, 0), dark);
    EXPECT_EQ(img.pixel(575, 0), light);
    EXPECT_EQ(img.pixel(575, 30), light);

    // Parented: the parent's background, outline 64 darker.
    QWidget parent;
    QPalette pal = parent.palette();
    pal.setColor(parent.backgroundRole(), QColor(100, 150, 200));
    parent.setPalette(pal);
    TMarqueeBar child(&parent);
    child.SetParented(true);
    child.resize(200, 20);
    parent.resize(300, 100);
    parent.show();
    img = child.grab().toImage();
    EXPECT_EQ(img.pixel(0, 0), qRgb(36, 86, 136));
    EXPECT_EQ(img.pixel(1, 1), qRgb(100, 150, 200));
}

TEST(MarqueeBar, FillGradientPaintsOneRowPerBand) {
    QImage img(6, 45, QImage::Format_RGB32);
    img.fill(Qt::red);
    FillGradient(img, QRect(0, 0, 6, 45), clBlack, clWhite, 0, 255);
    EXPECT_EQ(img.pixel(3, 0), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(3, 44), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(0, 22), qRgb(128, 128, 128));
    for (int y = 1; y < 45; ++y)
        EXPECT_GT(qRed(img.pixel(5, y)), qRed(img.pixel(5, y - 1))) << y;
}

} // namespace
} // namespace sw
