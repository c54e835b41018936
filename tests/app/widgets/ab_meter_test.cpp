#include "app/widgets/ab_meter.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMetaObject>
#include <QTest>
#include <gtest/gtest.h>

namespace sw {
namespace {

constexpr TColor kLight = 15655890;    // RGB 210, 227, 238
constexpr TColor kSteelBlue = 9728318; // RGB 62, 113, 148
const QRgb kUsed = qRgb(62, 113, 148);
const QRgb kUnused = qRgb(210, 227, 238);

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// AbMeter1 as the window sets it up.
struct AbMeter1 {
    AbMeter1() {
        meter.resize(577, 49);
        meter.SetOrientation(TAbMeterOrientation::moHorizontal);
        meter.SetUsedColor(kSteelBlue);
        meter.SetUnusedColor(kLight);
        meter.SetMessagePump([this] { ++pumps; });
        link.SetMeter(&meter);
    }
    // The lit blocks, read along row 24: the first and last column of each run of used colour.
    std::vector<std::pair<int, int>> runs() const {
        const QImage img = meter.RenderImage();
        std::vector<std::pair<int, int>> found;
        for (int x = 0; x < img.width(); ++x) {
            if (img.pixel(x, 24) != kUsed)
                continue;
            if (!found.empty() && found.back().second == x - 1)
                found.back().second = x;
            else
                found.push_back({x, x});
        }
        return found;
    }
    TAbMeter meter;
    TAbVCLMeterLink link;
    int pumps = 0;
};

TEST(AbMeter, Defaults) {
    TAbMeter meter;
    EXPECT_EQ(meter.size(), QSize(150, 16));
    EXPECT_EQ(meter.Orientation(), TAbMeterOrientation::moHorizontal);
    EXPECT_EQ(meter.UsedColor(), clNavy);
    EXPECT_EQ(meter.UnusedColor(), clBtnFace);
    EXPECT_EQ(meter.BorderStyle(), TAbMeterBorderStyle::bsSingle);
    EXPECT_TRUE(meter.Ctl3D());
    EXPECT_EQ(meter.Progress(), 0);
    meter.SetVersion("9.99");
    EXPECT_EQ(meter.Version(), "3.04");
}

TEST(AbMeter, OneBlockPerTenPercentAndHundredEmpties) {
    AbMeter1 m;
    const struct {
        int progress;
        std::size_t blocks;
    } cases[] = {{9, 0}, {10, 1}, {55, 5}, {99, 9}, {100, 0}};
    for (const auto& c : cases) {
        m.link.DoProgress(static_cast<std::uint8_t>(c.progress));
        const auto runs = m.runs();
        ASSERT_EQ(runs.size(), c.blocks) << "at " << c.progress;
        // Block i covers the columns 1 + 58 i to 56 + 58 i.
        for (std::size_t i = 0; i < runs.size(); ++i) {
            EXPECT_EQ(runs[i].first, 1 + 58 * static_cast<int>(i)) << "at " << c.progress;
            EXPECT_EQ(runs[i].second, 56 + 58 * static_cast<int>(i)) << "at " << c.progress;
        }
    }
    EXPECT_EQ(m.meter.Progress(), 0);
}

TEST(AbMeter, BlockRowsAndSunkenFrame) {
    AbMeter1 m;
    m.link.DoProgress(99);
    const QImage img = m.meter.RenderImage();
    ASSERT_EQ(img.size(), QSize(577, 49));
    EXPECT_EQ(img.pixel(1, 1), kUsed);
    EXPECT_EQ(img.pixel(56, 47), kUsed);
    EXPECT_EQ(img.pixel(57, 24), kUnused); // the 2-pixel gap
    EXPECT_EQ(img.pixel(58, 24), kUnused);
    EXPECT_EQ(img.pixel(520, 47), kUsed); // block 9 ends at 56 + 58 * 8
    EXPECT_EQ(img.pixel(521, 24), kUnused);
    const QPalette pal = QGuiApplication::palette();
    EXPECT_EQ(img.pixel(0, 24), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(img.pixel(30, 0), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(img.pixel(576, 24), pal.color(QPalette::Light).rgb());
    EXPECT_EQ(img.pixel(30, 48), pal.color(QPalette::Light).rgb());

    m.meter.SetCtl3D(false);
    EXPECT_EQ(m.meter.RenderImage().pixel(576, 24), qRgb(0, 0, 0));
    m.meter.SetBorderStyle(TAbMeterBorderStyle::bsNone);
    EXPECT_EQ(m.meter.RenderImage().pixel(0, 24), kUnused);
}

TEST(AbMeter, VerticalBlocksGrowUpwards) {
    TAbMeter meter;
    meter.SetOrientation(TAbMeterOrientation::moVertical);
    ASSERT_EQ(meter.size(), QSize(16, 150));
    meter.SetUsedColor(kSteelBlue);
    meter.SetUnusedColor(kLight);
    meter.SetMessagePump([] {});
    meter.DoProgress(20);
    // s = (151 - 11) div 10 + 1 = 15: block 0 rows 134..148, block 1 rows 118..132.
    const QImage img = meter.RenderImage();
    EXPECT_EQ(img.pixel(2, 148), kUsed);
    EXPECT_EQ(img.pixel(13, 134), kUsed);
    EXPECT_EQ(img.pixel(8, 133), kUnused);
    EXPECT_EQ(img.pixel(8, 132), kUsed);
    EXPECT_EQ(img.pixel(8, 118), kUsed);
    EXPECT_EQ(img.pixel(8, 117), kUnused);
    EXPECT_EQ(img.pixel(1, 140), kUnused);
    EXPECT_EQ(img.pixel(14, 140), kUnused);
}

TEST(AbMeter, RepeatedValueRepaintsAndPumpsOnce) {
    AbMeter1 m;
    m.meter.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m.meter));
    PaintCounter paints;
    m.meter.installEventFilter(&paints);
    m.link.DoProgress(37);
    EXPECT_EQ(paints.count, 1);
    EXPECT_EQ(m.pumps, 1);
    m.link.DoProgress(37);
    EXPECT_EQ(paints.count, 1);
    EXPECT_EQ(m.pumps, 1);
    m.link.DoProgress(38);
    EXPECT_EQ(paints.count, 2);
    EXPECT_EQ(m.pumps, 2);
    m.link.Reset();
    EXPECT_EQ(m.meter.Progress(), 0);
    EXPECT_EQ(m.pumps, 3);
    m.meter.removeEventFilter(&paints);
}

TEST(AbMeter, DefaultPumpProcessesPendingEvents) {
    TAbMeter meter;
    bool delivered = false;
    QMetaObject::invokeMethod(
        &meter, [&] { delivered = true; }, Qt::QueuedConnection);
    meter.DoProgress(5);
    EXPECT_TRUE(delivered);
}

TEST(AbMeter, LinkWithoutMeterAndMeterGoneAreIgnored) {
    TAbVCLMeterLink link;
    link.DoProgress(50);
    link.Reset();
    EXPECT_EQ(link.Meter(), nullptr);

    auto* meter = new TAbMeter;
    meter->SetMessagePump([] {});
    link.SetMeter(meter);
    link.DoProgress(50);
    EXPECT_EQ(meter->Progress(), 50);
    delete meter;
    EXPECT_EQ(link.Meter(), nullptr);
    link.DoProgress(60); // must not touch the freed meter
}

TEST(AbMeter, OrientationSwapsTheSizeExceptWhileLoading) {
    TAbMeter meter;
    meter.SetOrientation(TAbMeterOrientation::moVertical);
    EXPECT_EQ(meter.size(), QSize(16, 150));
    meter.SetOrientation(TAbMeterOrientation::moVertical);
    EXPECT_EQ(meter.size(), QSize(16, 150));
    meter.SetOrientation(TAbMeterOrientation::moHorizontal);
    EXPECT_EQ(meter.size(), QSize(150, 16));

    meter.BeginLoading();
    meter.SetOrientation(TAbMeterOrientation::moVertical);
    meter.EndLoading();
    EXPECT_EQ(meter.size(), QSize(150, 16));
    EXPECT_EQ(meter.Orientation(), TAbMeterOrientation::moVertical);
}

} // namespace
} // namespace sw
