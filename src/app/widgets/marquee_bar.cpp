#include "app/widgets/marquee_bar.h"

#include "app/widgets/qt_colors.h"

#include <QPainter>
#include <QTimer>

namespace sw {

namespace {

// How much lighter than the base colour each block is, head (block 1) to tail (block 7).
constexpr std::array<int, TMarqueeBar::kBlockCount> kNoGradient{0, 0, 0, 0, 0, 0, 0};
constexpr std::array<int, TMarqueeBar::kBlockCount> kRightToLeft{0, 16, 32, 48, 64, 80, 96};
constexpr std::array<int, TMarqueeBar::kBlockCount> kCenter{96, 64, 32, 0, 32, 64, 96};

const std::array<int, TMarqueeBar::kBlockCount>& gradientSteps(TGradientStyle style) {
    switch (style) {
    case TGradientStyle::gsNone:
        return kNoGradient;
    case TGradientStyle::gsCenter:
        return kCenter;
    case TGradientStyle::gsRightToLeft:
        break;
    }
    return kRightToLeft;
}

// The six fully saturated colours get a softer tone of the same hue in the themed look.
bool isPureColor(TColor c) {
    switch (c) {
    case 0x0000FF:
    case 0x00FF00:
    case 0xFF0000:
    case 0xFF00FF:
    case 0xFFFF00:
    case 0x00FFFF:
        return true;
    default:
        return false;
    }
}

// A one-pixel outline on the edge of `r` and the fill inside it, as a GDI Rectangle call with
// a 1-pixel pen draws it (right and bottom edges excluded from `r` itself).
void rectangle(QPainter& p, const QRect& r, TColor outline, TColor fill) {
    if (r.width() <= 0 || r.height() <= 0)
        return;
    p.fillRect(r, toQColor(outline));
    if (r.width() > 2 && r.height() > 2)
        p.fillRect(r.adjusted(1, 1, -1, -1), toQColor(fill));
}

void pixelRun(QPainter& p, int x, int y, int w, int h, TColor color) {
    if (w > 0 && h > 0)
        p.fillRect(QRect(x, y, w, h), toQColor(color));
}

} // namespace

void FillGradient(QImage& image, const QRect& rect, TColor startColor, TColor endColor, int direction,
                  int colors) {
    const auto bands = gradientBands(rect.width(), rect.height(), startColor, endColor, direction, colors);
    if (bands.empty())
        return;
    QPainter p(&image);
    for (const GradientBand& band : bands) {
        const QRect area = gradientIsVertical(direction)
                               ? QRect(rect.left(), rect.top() + band.offset, rect.width(), band.size)
                               : QRect(rect.left() + band.offset, rect.top(), band.size, rect.height());
        p.fillRect(area, toQColor(band.color));
    }
}

TMarqueeBar::TMarqueeBar(QWidget* parent) : QWidget(parent), m_timer(std::make_unique<QTimer>()) {
    usePaletteSystemColors();
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer->setInterval(m_animationSpeed);
    connect(m_timer.get(), &QTimer::timeout, this, &TMarqueeBar::Step);
    resize(145, 17);
    m_builtWidth = width();
    m_builtHeight = height();
    buildBlocks();
}

TMarqueeBar::~TMarqueeBar() {
    m_timer->stop();
}

void TMarqueeBar::SetActive(bool active) {
    m_active = active;
    if (active) {
        m_timer->start();
    } else {
        m_timer->stop();
        m_stepCounter = 0;
        update();
    }
}

void TMarqueeBar::SetAnimationSpeed(int milliseconds) {
    m_animationSpeed = milliseconds < 0 ? -milliseconds : milliseconds;
    m_timer->setInterval(m_animationSpeed);
}

void TMarqueeBar::SetBackColor(TColor color) {
    m_backColor = color;
    update();
}

void TMarqueeBar::SetBarColor(TColor color) {
    m_barColor = color;
    update();
}

void TMarqueeBar::SetBorderColor(TColor color) {
    m_borderColor = color;
    update();
}

void TMarqueeBar::SetBorderStyle(TBorderStyle style) {
    m_borderStyle = style;
    update();
}

void TMarqueeBar::SetDefaultStyled(bool styled) {
    m_defaultStyled = styled;
}

void TMarqueeBar::SetGradientStyle(TGradientStyle style) {
    m_gradientStyle = style;
    update();
}

void TMarqueeBar::SetParented(bool parented) {
    m_parented = parented;
    update();
}

void TMarqueeBar::Step() {
    ++m_stepCounter;
    if (m_stepCounter > m_slotCount + kBlockCount)
        m_stepCounter = 0;
    update();
}

bool TMarqueeBar::themedModeAvailable() {
    return qEnvironmentVariable("SKINWRIGHT_THEMED") == QLatin1String("1");
}

TColor TMarqueeBar::themedBarColor() const {
    const HSL hsl = ColorToHSL(m_barColor);
    if (isPureColor(m_barColor))
        return HSLToColor(hsl.h, 90, 140);
    if (hsl.l > 200)
        return DarkenColor(m_barColor, 64);
    if (hsl.l <= 64)
        return LightenColor(m_barColor, 32);
    return m_barColor;
}

void TMarqueeBar::buildBlocks() {
    const int h = height();
    const int blockWidth = m_themedMode ? (h - 4) / 2 : (h - 1) / 2;
    const int blockHeight = m_themedMode ? h - 6 : h - 4;
    const TColor base = m_themedMode ? themedBarColor() : m_barColor;
    const auto& steps = gradientSteps(m_gradientStyle);

    for (std::size_t i = 0; i < m_blocks.size(); ++i) {
        Block& block = m_blocks[i];
        block.color = LightenColor(base, steps[i]);
        if (blockWidth <= 0 || blockHeight <= 0) {
            block.picture = QImage();
            continue;
        }
        block.picture = QImage(blockWidth, blockHeight, QImage::Format_RGB32);
        if (!m_themedMode) {
            block.picture.fill(toQColor(block.color));
            continue;
        }
        // Glass: light upper half, a thin bright-to-dark seam, and a darker lower half that
        // brightens towards the bottom.
        const TColor k = block.color;
        const int half = blockHeight / 2;
        block.picture.fill(toQColor(k));
        FillGradient(block.picture, QRect(0, 0, blockWidth, half + 1), k, LightenColor(k, 48), 0, 255);
        FillGradient(block.picture, QRect(0, half + 1, blockWidth, 2), LightenColor(k, 40), DarkenColor(k, 8),
                     0, 255);
        FillGradient(block.picture, QRect(0, half + 3, blockWidth, blockHeight - half - 3), DarkenColor(k, 8),
                     LightenColor(k, 16), 0, 255);
    }

    const int slotWidth = blockWidth + 2;
    m_slotCount = slotWidth > 0 ? std::max(0, (width() - 4) / slotWidth) : 0;
    // Snap to whole slots. The changed width makes the next paint build once more, and that
    // build leaves the width as it is.
    const int snapped = slotWidth * m_slotCount + 4;
    if (snapped != width())
        resize(snapped, height());
}

void TMarqueeBar::drawBackground(QPainter& p) const {
    const int w = width();
    const int h = height();
    const QRect all(0, 0, w, h);

    TColor back = m_backColor;
    TColor outline = m_borderColor;
    if (m_parented && parentWidget()) {
        back = fromQColor(parentWidget()->palette().color(parentWidget()->backgroundRole()));
        outline = DarkenColor(back, 64);
    }

    if (!m_themedMode) {
        switch (m_borderStyle) {
        case TBorderStyle::bsNone:
            rectangle(p, all, back, back);
            break;
        case TBorderStyle::bsFlat:
            rectangle(p, all, outline, back);
            break;
        case TBorderStyle::bs3D:
            rectangle(p, all, LightenColor(back, 64), back);
            // (0, H-2) to (0, 0) to (W-1, 0), the end point left out.
            pixelRun(p, 0, 0, 1, h - 1, DarkenColor(back, 64));
            pixelRun(p, 0, 0, w - 1, 1, DarkenColor(back, 64));
            break;
        }
        return;
    }

    if (m_defaultStyled) {
        back = clWhite;
        outline = DarkenColor(clWhite, 160);
    }
    if (m_borderStyle == TBorderStyle::bsNone) {
        rectangle(p, all, back, back);
        return;
    }
    // Rounded corners (corner ellipse 4 x 6); the pixels outside the curve keep the
    // background so that the composed frame stays opaque.
    p.fillRect(all, toQColor(back));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(toQColor(outline), 1));
    p.setBrush(toQColor(back));
    p.drawRoundedRect(QRectF(0, 0, w - 1, h - 1), 2, 3);
    if (m_borderStyle == TBorderStyle::bs3D || m_defaultStyled) {
        const TColor shadow = DarkenColor(back, 64);
        pixelRun(p, 2, 1, w - 4, 1, shadow); // (W-3, 1) to (1, 1)
        pixelRun(p, 1, 2, 1, h - 4, shadow); // (1, 2) to (1, H-2)
    }
}

void TMarqueeBar::Paint() {
    if (!isVisible())
        return;
    m_themedMode = themedModeAvailable();
    if (m_backBuffer.size() != size())
        m_backBuffer = QImage(size(), QImage::Format_RGB32);
    if (width() != m_builtWidth || height() != m_builtHeight) {
        m_builtWidth = width();
        m_builtHeight = height();
        buildBlocks();
    }
    if (m_backBuffer.isNull())
        return;

    QPainter p(&m_backBuffer);
    drawBackground(p);
    const int margin = m_themedMode ? 3 : 2;
    for (int i = 1; i <= kBlockCount; ++i) {
        const int k = m_stepCounter - i;
        if (k < 0)
            break;
        if (k < m_slotCount) {
            const QImage& picture = m_blocks[static_cast<std::size_t>(i - 1)].picture;
            p.drawImage(k * (picture.width() + 2) + margin, margin, picture);
        }
    }
}

void TMarqueeBar::paintEvent(QPaintEvent*) {
    Paint();
    if (m_backBuffer.isNull())
        return;
    QPainter p(this);
    p.drawImage(0, 0, m_backBuffer);
}

} // namespace sw
