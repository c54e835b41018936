#include "app/widgets/flat_combo_box.h"

#include <QAbstractItemView>
#include <QTest>
#include <gtest/gtest.h>

namespace sw {
namespace {

constexpr TColor kLight = 15655890;    // RGB 210, 227, 238
constexpr TColor kSteelBlue = 9728318; // RGB 62, 113, 148
const QRgb kBorder = qRgb(62, 113, 148);
const QRgb kFill = qRgb(210, 227, 238);

// cb3 as the window sets it up, but with a button colour of its own so that the button area
// can be told from the box.
struct Cb3 {
    explicit Cb3(TColor buttonColor = rgbColor(250, 0, 0)) {
        combo.resize(257, 25);
        combo.SetItemHeight(19);
        combo.SetBorderColor(kSteelBlue);
        combo.SetArrowColor(kSteelBlue);
        combo.SetButtonColor(buttonColor);
        combo.SetColor(kLight);
        combo.SetFontColor(kSteelBlue);
        QFont font("Bookman Old Style");
        font.setPixelSize(14);
        combo.setFont(font);
        combo.addItems({"None", "FS9", "FSX"});
        combo.show();
    }
    QImage frame() { return combo.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    TALComboBox combo;
};

TEST(FlatComboBox, FrameButtonStripSeparatorAndArrow) {
    Cb3 cb;
    const QImage img = cb.frame();
    ASSERT_EQ(img.size(), QSize(257, 25));
    const int t = cb.combo.ThumbWidth();
    ASSERT_GT(t, 5);
    const int bl = 257 - t - 3; // left edge of the button area
    const QRgb button = qRgb(250, 0, 0);

    for (QPoint p : {QPoint(0, 0), QPoint(256, 0), QPoint(0, 24), QPoint(256, 24), QPoint(100, 0),
                     QPoint(100, 24), QPoint(0, 12), QPoint(256, 12)})
        EXPECT_EQ(img.pixel(p), kBorder) << p.x() << "," << p.y();

    // The strip of box colour, then the separator on its last column, then the button.
    for (int y = 1; y <= 23; ++y) {
        EXPECT_EQ(img.pixel(bl, y), kFill) << y;
        EXPECT_EQ(img.pixel(bl + 3, y), kFill) << y;
        EXPECT_EQ(img.pixel(bl + 4, y), kBorder) << y;
        EXPECT_EQ(img.pixel(bl + 5, y), button) << y;
        EXPECT_EQ(img.pixel(255, y), button) << y;
    }
    EXPECT_EQ(img.pixel(bl - 1, 12), kFill);

    // The arrow: 5, 3 and 1 pixels on rows 10, 11 and 12, pointing down.
    const int r = 257;
    auto row = [&](int y) {
        std::vector<int> xs;
        for (int x = bl + 5; x < 256; ++x)
            if (img.pixel(x, y) == kBorder)
                xs.push_back(x);
        return xs;
    };
    EXPECT_EQ(row(9), std::vector<int>{});
    EXPECT_EQ(row(10), (std::vector<int>{r - 10, r - 9, r - 8, r - 7, r - 6}));
    EXPECT_EQ(row(11), (std::vector<int>{r - 9, r - 8, r - 7}));
    EXPECT_EQ(row(12), std::vector<int>{r - 8});
    EXPECT_EQ(row(13), std::vector<int>{});
}

TEST(FlatComboBox, NoBorderColourFramesInTheBoxColourWithoutSeparator) {
    Cb3 cb;
    cb.combo.SetBorderColor(clNone);
    const QImage img = cb.frame();
    const int bl = 257 - cb.combo.ThumbWidth() - 3;
    EXPECT_EQ(img.pixel(0, 0), kFill);
    EXPECT_EQ(img.pixel(256, 12), kFill);
    EXPECT_EQ(img.pixel(100, 24), kFill);
    for (int y = 1; y <= 23; ++y)
        EXPECT_EQ(img.pixel(bl + 4, y), kFill) << y;
    EXPECT_EQ(img.pixel(257 - 8, 12), kBorder); // the arrow stays
}

TEST(FlatComboBox, ProgramColoursShowOneFlatBox) {
    Cb3 cb(kLight); // the window's button colour is the box colour
    const QImage img = cb.frame();
    const int bl = 257 - cb.combo.ThumbWidth() - 3;
    EXPECT_EQ(img.pixel(bl + 6, 4), kFill);
    EXPECT_EQ(img.pixel(bl + 4, 4), kBorder);
    // The chosen item's text is written in the font colour somewhere left of the button.
    int textPixels = 0;
    for (int y = 3; y < 22; ++y)
        for (int x = 3; x < bl; ++x)
            if (img.pixel(x, y) != kFill)
                ++textPixels;
    EXPECT_GT(textPixels, 10);
    EXPECT_EQ(cb.combo.view()->sizeHintForRow(0), 19);
}

TEST(FlatComboBox, TextTakesThePaletteTextColour) {
    Cb3 cb(kLight);
    cb.combo.SetItemIndex(2);
    // The window colours its combo boxes through the palette at start-up.
    QPalette pal = cb.combo.palette();
    pal.setColor(QPalette::Text, QColor(200, 0, 100));
    cb.combo.setPalette(pal);
    EXPECT_EQ(cb.combo.FontColor(), rgbColor(200, 0, 100));
    const QImage img = cb.frame();
    int exact = 0;
    for (int y = 3; y < 22; ++y)
        for (int x = 3; x < 200; ++x)
            exact += img.pixel(x, y) == qRgb(200, 0, 100);
    EXPECT_GT(exact, 5);
}

TEST(FlatComboBox, PickListTakesNoTypedText) {
    Cb3 cb;
    cb.combo.SetItemIndex(0);
    EXPECT_FALSE(cb.combo.isEditable());
    EXPECT_EQ(cb.combo.lineEdit(), nullptr);
    QTest::keyClicks(&cb.combo, "xyz\\Program_Files");
    const QStringList items{"None", "FS9", "FSX"};
    EXPECT_TRUE(items.contains(cb.combo.currentText())) << cb.combo.currentText().toStdString();
    QTest::keyClicks(&cb.combo, "FSX");
    EXPECT_TRUE(items.contains(cb.combo.currentText())) << cb.combo.currentText().toStdString();
}

TEST(FlatComboBox, PaintHandlerCanSkipTheFlatParts) {
    Cb3 cb;
    int calls = 0;
    cb.combo.SetOnPaint([&](QObject* sender, bool& go) {
        EXPECT_EQ(sender, &cb.combo);
        EXPECT_TRUE(go);
        ++calls;
        go = false;
    });
    const QImage img = cb.frame();
    EXPECT_GE(calls, 1);
    const int bl = 257 - cb.combo.ThumbWidth() - 3;
    EXPECT_NE(img.pixel(bl + 4, 12), kBorder);
    EXPECT_NE(img.pixel(bl + 6, 5), qRgb(250, 0, 0));
}

TEST(FlatComboBox, FlatPartsFollowTheThumbWidth) {
    const FlatParts parts = comboFlatParts(QSize(100, 25), 20, kSteelBlue, clBlack, clWhite, kLight);
    // Frame (4 strips), button, strip, separator, arrow (3 rows).
    ASSERT_EQ(parts.size(), 10u);
    EXPECT_EQ(parts[4].rect, QRect(77, 1, 22, 23));
    EXPECT_EQ(parts[5].rect, QRect(77, 1, 5, 23));
    EXPECT_EQ(parts[6].rect, QRect(81, 1, 1, 23));
    EXPECT_TRUE(comboFlatParts(QSize(0, 25), 20, kSteelBlue, clBlack, clWhite, kLight).empty());
}

} // namespace
} // namespace sw
