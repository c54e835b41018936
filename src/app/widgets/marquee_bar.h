#pragma once

// An indeterminate "busy" indicator: a train of seven graded blocks that a timer moves from
// left to right through a row of block slots, starting again from the left once it has left
// the right end. The bar composes every frame in an off-screen image and copies that to the
// screen in one go, so it does not flicker.

#include "app/widgets/xgraph_utils.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <memory>

class QTimer;
class QPainter;

namespace sw {

enum class TBorderStyle { bsNone, bsFlat, bs3D };
enum class TGradientStyle { gsNone, gsRightToLeft, gsCenter };

class TMarqueeBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBlockCount = 7;

    explicit TMarqueeBar(QWidget* parent = nullptr);
    ~TMarqueeBar() override;

    bool Active() const { return m_active; }
    void SetActive(bool active);
    int AnimationSpeed() const { return m_animationSpeed; }
    void SetAnimationSpeed(int milliseconds);
    TColor BackColor() const { return m_backColor; }
    void SetBackColor(TColor color);
    TColor BarColor() const { return m_barColor; }
    void SetBarColor(TColor color);
    TColor BorderColor() const { return m_borderColor; }
    void SetBorderColor(TColor color);
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle style);
    bool DefaultStyled() const { return m_defaultStyled; }
    void SetDefaultStyled(bool styled);
    TGradientStyle GradientStyle() const { return m_gradientStyle; }
    void SetGradientStyle(TGradientStyle style);
    bool Parented() const { return m_parented; }
    void SetParented(bool parented);

    int StepCounter() const { return m_stepCounter; }
    int SlotCount() const { return m_slotCount; }
    bool ThemedMode() const { return m_themedMode; }
    int BuiltWidth() const { return m_builtWidth; }
    const QImage& BackBuffer() const { return m_backBuffer; }
    // Block 1 is the head of the train, block 7 its tail.
    TColor BlockColor(int block) const { return m_blocks.at(static_cast<std::size_t>(block - 1)).color; }
    const QImage& BlockPicture(int block) const {
        return m_blocks.at(static_cast<std::size_t>(block - 1)).picture;
    }
    const QTimer& AnimationTimer() const { return *m_timer; }

    // The timer's tick: advance the train by one slot and repaint.
    void Step();

    // Composes the current frame in BackBuffer (a hidden bar composes nothing); paintEvent
    // copies it to the screen.
    void Paint();

    // Whether the platform's visual styles are in use. There are none here, so the themed
    // look is opt-in: SKINWRIGHT_THEMED=1 in the environment turns it on.
    static bool themedModeAvailable();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Block {
        QImage picture;
        TColor color = 0;
    };

    void buildBlocks();
    TColor themedBarColor() const;
    void drawBackground(QPainter& painter) const;

    bool m_active = false;
    int m_animationSpeed = 60;
    TColor m_backColor = clBtnFace;
    TColor m_barColor = clActiveCaption;
    TColor m_borderColor = clDefault;
    TBorderStyle m_borderStyle = TBorderStyle::bsFlat;
    bool m_defaultStyled = false;
    TGradientStyle m_gradientStyle = TGradientStyle::gsRightToLeft;
    bool m_parented = false;

    int m_stepCounter = 0;
    int m_slotCount = 0;
    bool m_themedMode = false;
    int m_builtWidth = 0;
    int m_builtHeight = 0;
    QImage m_backBuffer;
    std::array<Block, kBlockCount> m_blocks;
    // Created without an owner: the bar stops and frees it itself.
    std::unique_ptr<QTimer> m_timer;
};

// Fills a rectangle of `image` with the bands of FillGradient (see gradientBands).
void FillGradient(QImage& image, const QRect& rect, TColor startColor, TColor endColor, int direction,
                  int colors);

} // namespace sw
