#include "app/widgets/flat_edit.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <tuple>

namespace sw {
namespace {

constexpr TColor kLight = 15655890;    // RGB 210, 227, 238
constexpr TColor kSteelBlue = 9728318; // RGB 62, 113, 148
const QRgb kBorder = qRgb(62, 113, 148);
const QRgb kFill = qRgb(210, 227, 238);

// A parent that records the keys that reach it.
class KeyRecorder : public QWidget {
public:
    std::vector<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys.push_back(event->key()); }
};

// e1 as the window sets it up.
struct E1 {
    E1() {
        edit = new TALEdit(&parent);
        edit->resize(400, 25);
        edit->SetBorderColor(kSteelBlue);
        edit->SetbtnColor(kLight);
        edit->SetbtnVisible(false);
        edit->SetColor(kLight);
        edit->SetFontColor(kSteelBlue);
        parent.resize(420, 40);
        parent.show();
    }
    QImage frame() { return edit->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    KeyRecorder parent;
    TALEdit* edit;
};

TEST(FlatEdit, EnterInsertsNothingAndGoesNowhere) {
    E1 e1;
    e1.edit->setText("C:\\FS9");
    QSignalSpy returns(e1.edit, &QLineEdit::returnPressed);
    QTest::keyClick(e1.edit, Qt::Key_Return);
    QTest::keyClick(e1.edit, Qt::Key_Enter);
    EXPECT_EQ(e1.edit->text(), "C:\\FS9");
    EXPECT_EQ(returns.count(), 0);
    EXPECT_TRUE(e1.parent.keys.empty());
    // Other keys still edit.
    QTest::keyClicks(e1.edit, "X");
    EXPECT_EQ(e1.edit->text(), "C:\\FS9X");
}

TEST(FlatEdit, PasteWithLineBreakIsRefused) {
    E1 e1;
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (const char* text : {"D:\\Games\\FS9\r\n", "D:\\Games\\FS9\n", "D:\\Ga\rmes"}) {
        e1.edit->clear();
        clipboard->setText(text);
        EXPECT_FALSE(e1.edit->Paste()) << text;
        EXPECT_EQ(e1.edit->text(), "") << text;
        QTest::keySequence(e1.edit, QKeySequence::Paste);
        EXPECT_EQ(e1.edit->text(), "") << text;
    }
    clipboard->setText("D:\\Games\\FS9");
    EXPECT_TRUE(e1.edit->Paste());
    EXPECT_EQ(e1.edit->text(), "D:\\Games\\FS9");
    e1.edit->clear();
    QTest::keySequence(e1.edit, QKeySequence::Paste);
    EXPECT_EQ(e1.edit->text(), "D:\\Games\\FS9");
}

TEST(FlatEdit, FocusPutsTheCaretAtTheEndWithNothingSelected) {
    E1 e1;
    e1.edit->setText("C:\\Program Files\\Microsoft Games\\FS9");
    e1.edit->setCursorPosition(3);
    for (Qt::FocusReason reason : {Qt::TabFocusReason, Qt::MouseFocusReason, Qt::ShortcutFocusReason}) {
        e1.edit->setSelection(0, 5);
        QFocusEvent in(QEvent::FocusIn, reason);
        QCoreApplication::sendEvent(e1.edit, &in);
        EXPECT_FALSE(e1.edit->hasSelectedText()) << reason;
        EXPECT_EQ(e1.edit->cursorPosition(), e1.edit->text().size()) << reason;
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(e1.edit, &out);
    }
}

TEST(FlatEdit, TwoOnePixelLinesAroundTheFill) {
    E1 e1;
    QImage img = e1.frame();
    ASSERT_EQ(img.size(), QSize(400, 25));
    const QRgb frame = QGuiApplication::palette().color(QPalette::Shadow).rgb();
    for (QPoint p : {QPoint(0, 0), QPoint(399, 24), QPoint(200, 0), QPoint(0, 12)})
        EXPECT_EQ(img.pixel(p), frame) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(1, 1), QPoint(398, 23), QPoint(200, 1), QPoint(1, 12), QPoint(398, 12)})
        EXPECT_EQ(img.pixel(p), kBorder) << p.x() << "," << p.y();
    EXPECT_EQ(img.pixel(2, 2), kFill);
    EXPECT_EQ(img.pixel(397, 22), kFill);

    e1.edit->SetBorderColor(clNone);
    img = e1.frame();
    EXPECT_EQ(img.pixel(1, 1), kFill);
    EXPECT_EQ(img.pixel(0, 0), frame);
}

TEST(FlatEdit, ButtonFillSeparatorAndClick) {
    E1 e1;
    e1.edit->SetbtnColor(rgbColor(250, 0, 0));
    e1.edit->SetbtnWidth(16);
    e1.edit->SetbtnVisible(true);
    QImage img = e1.frame();
    // Inside the frame (columns 2..397) the rightmost 16 pixels, and the separator before them.
    EXPECT_EQ(img.pixel(397, 12), qRgb(250, 0, 0));
    EXPECT_EQ(img.pixel(382, 2), qRgb(250, 0, 0));
    EXPECT_EQ(img.pixel(381, 12), kBorder);
    EXPECT_EQ(img.pixel(380, 12), kFill);

    e1.edit->SetBorderColor(clNone);
    img = e1.frame();
    EXPECT_EQ(img.pixel(381, 12), kFill);

    QSignalSpy clicks(e1.edit, &TALEdit::OnButtonClick);
    e1.edit->setText("C:\\FS9");
    e1.edit->setSelection(0, 2);
    QTest::mousePress(e1.edit, Qt::LeftButton, {}, QPoint(390, 12));
    EXPECT_TRUE(e1.edit->ButtonPressed());
    QTest::mouseRelease(e1.edit, Qt::LeftButton, {}, QPoint(390, 12));
    EXPECT_FALSE(e1.edit->ButtonPressed());
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(e1.edit->selectedText(), "C:");
    // Released outside the button: no click.
    QTest::mousePress(e1.edit, Qt::LeftButton, {}, QPoint(390, 12));
    QTest::mouseRelease(e1.edit, Qt::LeftButton, {}, QPoint(100, 12));
    EXPECT_EQ(clicks.count(), 1);
    // The button is hidden: a click there edits as usual.
    e1.edit->SetbtnVisible(false);
    QTest::mouseClick(e1.edit, Qt::LeftButton, {}, QPoint(390, 12));
    EXPECT_EQ(clicks.count(), 1);
}

} // namespace
} // namespace sw

namespace sw {
namespace {

// The columns that hold text pixels (neither fill nor frame) between the frames.
std::pair<int, int> textSpan(const QImage& img) {
    int first = -1;
    int last = -1;
    for (int x = 2; x < img.width() - 2; ++x)
        for (int y = 2; y < img.height() - 2; ++y)
            if (img.pixel(x, y) != kFill) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

TEST(FlatEdit, AlignmentHoldsOnlyWithoutFocus) {
    E1 e1;
    e1.edit->setText("FS9");
    auto [left, right] = textSpan(e1.frame());
    ASSERT_GE(left, 0);
    EXPECT_LT(left, 20);

    e1.edit->SetAlignment(TAlignment::taRightJustify);
    std::tie(left, right) = textSpan(e1.frame());
    EXPECT_GT(left, 300);
    EXPECT_LT(right, 398);

    e1.edit->SetAlignment(TAlignment::taCenter);
    std::tie(left, right) = textSpan(e1.frame());
    EXPECT_NEAR((left + right) / 2, 200, 12);

    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(e1.edit, &in);
    std::tie(left, right) = textSpan(e1.frame());
    EXPECT_LT(left, 20);
}

} // namespace
} // namespace sw

namespace sw {
namespace {

std::size_t pixelsOtherThan(const QImage& img, const QRect& area, QRgb colour) {
    std::size_t n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += img.pixel(x, y) != colour;
    return n;
}

TEST(FlatEdit, ButtonShowsGlyphOrCaptionWhenItFits) {
    E1 e1;
    e1.edit->SetbtnWidth(20);
    e1.edit->SetbtnVisible(true);
    const QRect button(378, 2, 20, 21);

    QFont small;
    small.setPixelSize(10);
    e1.edit->SetbtnFont(small);
    e1.edit->SetbtnCaption("...");
    EXPECT_GT(pixelsOtherThan(e1.frame(), button, kFill), 0u);
    e1.edit->SetbtnCaption("Browse for the folder");
    EXPECT_EQ(pixelsOtherThan(e1.frame(), button, kFill), 0u);

    auto* glyphs = new TImageList;
    QPixmap red(8, 8);
    red.fill(QColor(250, 0, 0));
    glyphs->images.append(red);
    e1.edit->SetGlyph(glyphs);
    e1.edit->SetGlyphIndex(0);
    QImage img = e1.frame();
    EXPECT_EQ(img.pixel(button.center()), qRgb(250, 0, 0));
    EXPECT_EQ(pixelsOtherThan(img, button, kFill), 64u);
    // A list freed elsewhere is forgotten.
    delete glyphs;
    EXPECT_EQ(e1.edit->Glyph(), nullptr);
    img = e1.frame();
    EXPECT_EQ(pixelsOtherThan(img, button, kFill), 0u);
}

} // namespace
} // namespace sw
