#include "app/widgets/flat_check_box.h"

#include <QShortcutEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <set>

namespace sw {
namespace {

constexpr TColor kLight = 15655890;    // RGB 210, 227, 238
constexpr TColor kSteelBlue = 9728318; // RGB 62, 113, 148
const QRgb kMark = qRgb(62, 113, 148);
const QRgb kFill = qRgb(210, 227, 238);

// sl1 as the window sets it up.
struct Sl1 {
    explicit Sl1(const QString& caption = "Select all liveries") {
        box.resize(169, 25);
        box.SetCaption(caption);
        box.SetBlankColor(kLight);
        box.SetMarkColor(kSteelBlue);
        box.SetBorderColor(kLight);
        box.SetSpacing(6);
        box.SetColor(kLight);
        box.SetFontColor(kSteelBlue);
        QFont font("Bookman Old Style");
        font.setPixelSize(16);
        font.setBold(true);
        box.setFont(font);
        box.setCursor(Qt::PointingHandCursor);
        box.show();
    }
    TALCheckBox box;
};

std::set<std::pair<int, int>> colouredIn(const QImage& img, const QRect& area, QRgb colour) {
    std::set<std::pair<int, int>> found;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.pixel(x, y) == colour)
                found.insert({x, y});
    return found;
}

TEST(FlatCheckBox, PreparedCaptions) {
    EXPECT_EQ(prepareCaption("&Select all liveries").text, "Select all liveries");
    EXPECT_EQ(prepareCaption("&Select all liveries").accelerator, 0);
    EXPECT_EQ(prepareCaption("Rock && Roll").text, "Rock & Roll");
    EXPECT_EQ(prepareCaption("Rock && Roll").accelerator, -1);
    EXPECT_EQ(prepareCaption("A&&B&c").text, "A&Bc");
    EXPECT_EQ(prepareCaption("A&&B&c").accelerator, 3);
    EXPECT_EQ(prepareCaption("End&").text, "End");
}

TEST(FlatCheckBox, MarkPixelsAndTheInvisibleSquare) {
    Sl1 sl1;
    const QRect square = sl1.box.SquareRect();
    EXPECT_EQ(square.size(), QSize(11, 11));
    EXPECT_EQ(square.top(), 7); // (25 - 11) / 2
    const QRect around = square.adjusted(-2, -2, 2, 2);

    // Unchecked: the square is the background colour through and through.
    QImage img = sl1.box.RenderImage();
    EXPECT_EQ(colouredIn(img, around, kFill).size(),
              static_cast<std::size_t>(around.width() * around.height()));

    sl1.box.SetChecked(true);
    img = sl1.box.RenderImage();
    const int x = square.left();
    const int b = square.top() + 11;
    std::set<std::pair<int, int>> expected;
    for (int k = 0; k < 3; ++k) {
        // (x+2, b-5-k) to (x+4, b-3-k) to (x+9, b-8-k), the end point left out.
        for (int i = 0; i < 2; ++i)
            expected.insert({x + 2 + i, b - 5 - k + i});
        for (int i = 0; i < 5; ++i)
            expected.insert({x + 4 + i, b - 3 - k - i});
    }
    EXPECT_EQ(expected.size(), 21u);
    EXPECT_EQ(colouredIn(img, around, kMark), expected);
    // Everything else around the square is still the background.
    EXPECT_EQ(colouredIn(img, around, kFill).size(),
              static_cast<std::size_t>(around.width() * around.height()) - expected.size());
}

TEST(FlatCheckBox, SquareColoursWhenTheyDiffer) {
    TALCheckBox box;
    box.resize(75, 25);
    box.SetBorderColor(rgbColor(0, 0, 200));
    box.SetBlankColor(rgbColor(0, 200, 0));
    box.SetColor(kLight);
    const QRect sq = box.SquareRect();
    const QImage img = box.RenderImage();
    EXPECT_EQ(img.pixel(sq.topLeft()), qRgb(0, 0, 200));
    EXPECT_EQ(img.pixel(sq.bottomRight()), qRgb(0, 0, 200));
    EXPECT_EQ(img.pixel(sq.center()), qRgb(0, 200, 0));
    EXPECT_EQ(img.pixel(sq.left() - 1, sq.top()), kFill);
}

TEST(FlatCheckBox, ClickingTwiceReturnsToUnchecked) {
    Sl1 sl1;
    QSignalSpy clicks(&sl1.box, &TALCheckBox::clicked);
    const QPoint inside = sl1.box.SquareRect().center();
    QTest::mouseClick(&sl1.box, Qt::LeftButton, {}, inside);
    EXPECT_TRUE(sl1.box.Checked());
    EXPECT_EQ(sl1.box.State(), TCheckBoxState::cbChecked);
    QTest::mouseClick(&sl1.box, Qt::LeftButton, {}, inside);
    EXPECT_FALSE(sl1.box.Checked());
    EXPECT_EQ(clicks.count(), 2);

    // Released outside: no click.
    QTest::mousePress(&sl1.box, Qt::LeftButton, {}, inside);
    QTest::mouseRelease(&sl1.box, Qt::LeftButton, {}, QPoint(500, 5));
    EXPECT_FALSE(sl1.box.Checked());

    // The space bar clicks on its release.
    QTest::keyPress(&sl1.box, Qt::Key_Space);
    EXPECT_FALSE(sl1.box.Checked());
    QTest::keyRelease(&sl1.box, Qt::Key_Space);
    EXPECT_TRUE(sl1.box.Checked());
    EXPECT_EQ(clicks.count(), 3);
}

TEST(FlatCheckBox, GrayedCycleWhenAllowed) {
    TALCheckBox box;
    box.SetAllowGrayed(true);
    box.Click();
    EXPECT_EQ(box.State(), TCheckBoxState::cbGrayed);
    EXPECT_FALSE(box.Checked());
    // The grayed state draws the same mark.
    const QImage img = box.RenderImage();
    const QRect sq = box.SquareRect();
    EXPECT_EQ(img.pixel(sq.left() + 2, sq.top() + 11 - 5), qRgb(0, 0, 0));
    box.Click();
    EXPECT_EQ(box.State(), TCheckBoxState::cbChecked);
    box.Click();
    EXPECT_EQ(box.State(), TCheckBoxState::cbUnchecked);
}

// Rows below the text's baseline inside the caption: where an underline can be.
std::set<std::pair<int, int>> underlinePixels(const TALCheckBox& box) {
    const QImage img = box.RenderImage();
    const QRect text = box.CaptionRect();
    const int baseline = text.top() + QFontMetrics(box.font()).ascent();
    return colouredIn(img, QRect(QPoint(text.left(), baseline + 1), QPoint(text.right(), text.bottom())),
                      kMark);
}

TEST(FlatCheckBox, AcceleratorIsUnderlinedAndDoubledAmpersandIsPlain) {
    Sl1 marked("&Select all");
    const auto underline = underlinePixels(marked.box);
    ASSERT_FALSE(underline.empty());
    const QFontMetrics fm(marked.box.font());
    const int left = marked.box.CaptionRect().left();
    for (const auto& [x, y] : underline) {
        EXPECT_GE(x, left) << x;
        EXPECT_LT(x, left + fm.horizontalAdvance("S") + 1) << x;
    }
    EXPECT_EQ(marked.box.CaptionRect().width(), fm.horizontalAdvance("Select all"));
    EXPECT_EQ(marked.box.Accelerator(), QKeySequence(Qt::ALT | Qt::Key_S));

    Sl1 plain("Select && all");
    EXPECT_TRUE(underlinePixels(plain.box).empty());
    EXPECT_EQ(plain.box.CaptionRect().width(), fm.horizontalAdvance("Select & all"));
    EXPECT_TRUE(plain.box.Accelerator().isEmpty());
}

TEST(FlatCheckBox, AcceleratorKeyClicks) {
    QWidget window;
    auto* box = new TALCheckBox(&window);
    box->SetCaption("&Select all liveries");
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QSignalSpy clicks(box, &TALCheckBox::clicked);
    QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_TRUE(box->Checked());
    EXPECT_TRUE(box->hasFocus());
}

TEST(FlatCheckBox, FocusRectangleTwoPixelsOutsideTheCaption) {
    Sl1 sl1;
    sl1.box.resize(169, 40); // room for the whole rectangle around a tall font
    const QRect r = sl1.box.CaptionRect().adjusted(-2, -2, 2, 2);
    ASSERT_TRUE(QRect(0, 0, 169, 40).contains(r));
    QImage img = sl1.box.RenderImage();
    EXPECT_EQ(img.pixel(r.topLeft()), kFill);

    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(&sl1.box, &in);
    img = sl1.box.RenderImage();
    EXPECT_EQ(img.pixel(r.topLeft()), kMark);
    EXPECT_EQ(img.pixel(r.left() + 1, r.top()), kFill); // dotted
    EXPECT_EQ(img.pixel(r.left() + 2, r.top()), kMark);
    EXPECT_EQ(img.pixel(r.left(), r.top() + 2), kMark);
    EXPECT_EQ(img.pixel(r.right() - (r.width() - 1) % 2, r.bottom()), kMark);

    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(&sl1.box, &out);
    EXPECT_EQ(sl1.box.RenderImage().pixel(r.topLeft()), kFill);
}

TEST(FlatCheckBox, CaptionInTheFontColour) {
    Sl1 sl1;
    const QImage img = sl1.box.RenderImage();
    const auto text = colouredIn(img, sl1.box.CaptionRect(), kMark);
    EXPECT_GT(text.size(), 50u);
    // Nothing of the caption spills outside its rectangle on the left.
    const QRect sq = sl1.box.SquareRect();
    EXPECT_TRUE(colouredIn(img, QRect(0, 0, sq.left(), 25), kMark).empty());
}

TEST(FlatCheckBox, LayoutCentresSquareSpacingAndCaption) {
    Sl1 sl1;
    const int captionWidth = sl1.box.CaptionRect().width();
    const int left = (169 - (11 + 6 + captionWidth)) / 2;
    EXPECT_EQ(sl1.box.SquareRect().left(), left);
    EXPECT_EQ(sl1.box.CaptionRect().left(), left + 17);

    sl1.box.SetAutoSize(true);
    EXPECT_EQ(sl1.box.width(), 11 + 6 + captionWidth);
    EXPECT_EQ(sl1.box.SquareRect().left(), 0);
}

} // namespace
} // namespace sw
