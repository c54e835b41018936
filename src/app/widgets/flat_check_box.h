#pragma once

// A check box of our own: an 11 x 11 square in two colours with a three-pixel-thick tick,
// the caption beside it with its accelerator underlined, and a dotted focus rectangle around
// the caption. It paints all of itself.

#include "app/widgets/flat_common.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <vector>

namespace sw {

enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum class TCheckBoxLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// A caption with its accelerator marks resolved: "&x" marks x (underlined, the "&" removed),
// "&&" stands for one "&". `accelerator` is the index of the marked character in `text`, or
// -1.
struct PreparedCaption {
    QString text;
    int accelerator = -1;
};
PreparedCaption prepareCaption(const QString& caption);

// The pixels of the check mark for a square whose top-left corner is (x, y): three polylines
// one pixel apart, their end points left out.
std::vector<QPoint> checkMarkPixels(int x, int y);

class TALCheckBox : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSquareSize = 11;

    explicit TALCheckBox(QWidget* parent = nullptr);

    const QString& CustomProperty() const { return m_customProperty; }
    void SetCustomProperty(const QString& value) { m_customProperty = value; }
    void SetAllowGrayed(bool allow) { m_allowGrayed = allow; }
    bool Checked() const { return m_state == TCheckBoxState::cbChecked; }
    void SetChecked(bool checked);
    void SetBlankColor(TColor color);
    void SetMarkColor(TColor color);
    void SetSpacing(int spacing);
    TCheckBoxLayout Layout() const { return m_layout; }
    void SetLayout(TCheckBoxLayout layout);
    TColor BorderColor() const { return m_borderColor; }
    void SetBorderColor(TColor color);
    int GlyphIndex() const { return m_glyphIndex; }
    void SetGlyphIndex(int index);
    TImageList* Glyph() const { return m_glyph; }
    void SetGlyph(TImageList* glyph);
    TCheckBoxState State() const { return m_state; }
    void SetState(TCheckBoxState state);
    void SetAutoSize(bool autoSize);
    void SetCaption(const QString& caption);
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    // The caption's colour: the palette's window-text colour.
    TColor FontColor() const;
    void SetFontColor(TColor color);

    // The accelerator key of the caption (0 when there is none).
    QKeySequence Accelerator() const;

    // What a click does, however it comes: focus, next state, then `clicked`.
    void Click();

    // Where the square and the caption's text go.
    QRect SquareRect() const;
    QRect CaptionRect() const;
    // The control's picture as the next paint shows it.
    QImage RenderImage() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QSize captionSize() const;
    void adjustSize();

    QString m_customProperty;
    bool m_allowGrayed = false;
    TColor m_blankColor = clWhite;
    TColor m_markColor = clBlack;
    int m_spacing = 4;
    TCheckBoxLayout m_layout = TCheckBoxLayout::blGlyphLeft;
    TColor m_borderColor = clBlack;
    int m_glyphIndex = -1;
    QPointer<TImageList> m_glyph;
    TCheckBoxState m_state = TCheckBoxState::cbUnchecked;
    bool m_autoSize = false;
    QString m_caption;
    TColor m_color = clBtnFace;
    int m_shortcutId = 0;
    bool m_focused = false;
    bool m_mousePressed = false;
    bool m_keyPressed = false;
};

} // namespace sw
