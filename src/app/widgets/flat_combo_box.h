#pragma once

// A pick-list combo box with a flat look: a one-pixel frame, a flat drop-down button with a
// small arrow, and items drawn as plain text on the control's colour.

#include "app/widgets/flat_common.h"

#include <QComboBox>
#include <QString>

namespace sw {

// The flat parts over a combo box of `size`: frame, button area, the strip of box colour
// before it, the separator line and the 5-3-1 arrow. `thumbWidth` is the system's width of a
// horizontal scroll-bar thumb.
FlatParts comboFlatParts(QSize size, int thumbWidth, TColor borderColor, TColor arrowColor,
                         TColor buttonColor, TColor color);

class TALComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TALComboBox(QWidget* parent = nullptr);

    TColor BorderColor() const { return m_borderColor; }
    void SetBorderColor(TColor color);
    void SetArrowColor(TColor color);
    void SetButtonColor(TColor color);
    // The fill of the box and of its items.
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    // The font colour of the items: the palette's text colour.
    TColor FontColor() const;
    void SetFontColor(TColor color);
    // Height of each item of the list (fixed-height owner-drawn style).
    int ItemHeight() const { return m_itemHeight; }
    void SetItemHeight(int height);
    void SetItemIndex(int index) { setCurrentIndex(index); }
    const QString& CustomProperty() const { return m_customProperty; }
    void SetCustomProperty(const QString& value) { m_customProperty = value; }
    void SetOnPaint(TAlPaintEvent handler) { m_onPaint = std::move(handler); }

    int ThumbWidth() const;
    FlatParts CurrentFlatParts() const;
    // The rectangle of the chosen item's text in the closed box.
    QRect SelectionRect() const;

    void hidePopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    TColor m_borderColor = clBlack;
    TColor m_arrowColor = clBlack;
    TColor m_buttonColor = clBtnFace;
    TColor m_color = clWindow;
    int m_itemHeight = 16;
    QString m_customProperty;
    TAlPaintEvent m_onPaint;
};

} // namespace sw
