#include "app/widgets/flat_combo_box.h"

#include "app/widgets/qt_colors.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>

namespace sw {

namespace {

// A dotted rectangle one pixel wide, every other pixel set, as the system's focus rectangle.
void dottedRect(QPainter& p, const QRect& r, const QColor& color) {
    for (int x = r.left(); x <= r.right(); x += 2) {
        p.fillRect(x, r.top(), 1, 1, color);
        p.fillRect(x, r.bottom(), 1, 1, color);
    }
    for (int y = r.top(); y <= r.bottom(); y += 2) {
        p.fillRect(r.left(), y, 1, 1, color);
        p.fillRect(r.right(), y, 1, 1, color);
    }
}

// One item, drawn the standard way: the rectangle in the box colour (the highlight when
// selected), the text 2 pixels in from the left at the top, a focus rectangle on the focused
// item.
void drawItem(QPainter& p, const QRect& r, const QString& text, const QFont& font, bool selected,
              bool focused, TColor color, const QColor& fontColor) {
    const QColor back = selected ? toQColor(clHighlight) : toQColor(color);
    const QColor fore = selected ? toQColor(clHighlightText) : fontColor;
    p.fillRect(r, back);
    p.setFont(font);
    p.setPen(fore);
    p.drawText(r.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    if (focused)
        dottedRect(p, r, fore);
}

class FlatItemDelegate : public QStyledItemDelegate {
public:
    explicit FlatItemDelegate(TALComboBox* combo) : QStyledItemDelegate(combo), m_combo(combo) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), m_combo->ItemHeight());
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        drawItem(*p, option.rect, index.data(Qt::DisplayRole).toString(), m_combo->font(), selected,
                 option.state & QStyle::State_HasFocus, m_combo->Color(),
                 m_combo->palette().color(QPalette::Text));
    }

private:
    TALComboBox* m_combo;
};

} // namespace

FlatParts comboFlatParts(QSize size, int thumbWidth, TColor borderColor, TColor arrowColor,
                         TColor buttonColor, TColor color) {
    FlatParts parts;
    const int w = size.width();
    const int h = size.height();
    if (w <= 0 || h <= 0)
        return parts;
    addFrame(parts, QRect(0, 0, w, h), borderColor == clNone ? color : borderColor);

    // Button area B: from W - T - 3 to W - 1 across, 1 to H - 1 down (right and bottom
    // excluded); its first 5 columns are the box colour again.
    const int buttonLeft = w - thumbWidth - 3;
    parts.push_back({QRect(QPoint(buttonLeft, 1), QPoint(w - 2, h - 2)), buttonColor});
    parts.push_back({QRect(buttonLeft, 1, 5, h - 2), color});
    if (borderColor != clNone)
        parts.push_back({QRect(buttonLeft + 4, 1, 1, h - 2), borderColor});

    // The arrow, 5, 3 and 1 pixels wide on rows 10 to 12, pointing down.
    parts.push_back({QRect(w - 10, 10, 5, 1), arrowColor});
    parts.push_back({QRect(w - 9, 11, 3, 1), arrowColor});
    parts.push_back({QRect(w - 8, 12, 1, 1), arrowColor});
    return parts;
}

TALComboBox::TALComboBox(QWidget* parent) : QComboBox(parent) {
    usePaletteSystemColors();
    setEditable(false); // a pick list: only the items can be chosen
    setLayoutDirection(Qt::LeftToRight);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAttribute(Qt::WA_Hover);
    setItemDelegate(new FlatItemDelegate(this));
}

void TALComboBox::SetBorderColor(TColor color) {
    m_borderColor = color;
    update();
}

void TALComboBox::SetArrowColor(TColor color) {
    m_arrowColor = color;
    update();
}

void TALComboBox::SetButtonColor(TColor color) {
    m_buttonColor = color;
    update();
}

void TALComboBox::SetColor(TColor color) {
    m_color = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, toQColor(color));
    pal.setColor(QPalette::Button, toQColor(color));
    setPalette(pal);
    update();
}

TColor TALComboBox::FontColor() const {
    return fromQColor(palette().color(QPalette::Text));
}

void TALComboBox::SetFontColor(TColor color) {
    QPalette pal = palette();
    pal.setColor(QPalette::Text, toQColor(color));
    pal.setColor(QPalette::ButtonText, toQColor(color));
    pal.setColor(QPalette::WindowText, toQColor(color));
    setPalette(pal);
    update();
}

void TALComboBox::SetItemHeight(int height) {
    m_itemHeight = std::max(1, height);
    // The view caches item sizes; a changed height needs a fresh layout.
    view()->doItemsLayout();
    update();
}

int TALComboBox::ThumbWidth() const {
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

FlatParts TALComboBox::CurrentFlatParts() const {
    return comboFlatParts(size(), ThumbWidth(), m_borderColor, m_arrowColor, m_buttonColor, m_color);
}

QRect TALComboBox::SelectionRect() const {
    return QRect(QPoint(3, 3), QPoint(width() - ThumbWidth() - 4, height() - 4));
}

void TALComboBox::paintEvent(QPaintEvent* event) {
    bool continuePainting = true;
    if (m_onPaint)
        m_onPaint(this, continuePainting);
    if (!continuePainting) {
        QComboBox::paintEvent(event);
        return;
    }
    QPainter p(this);
    p.fillRect(rect(), toQColor(m_color));
    const bool focused = hasFocus() && !view()->isVisible();
    if (currentIndex() >= 0 || focused)
        drawItem(p, SelectionRect(), currentText(), font(), focused, focused, m_color,
                 palette().color(QPalette::Text));
    paintFlatParts(p, CurrentFlatParts());
}

// The flat parts go over the control again after each of these.
void TALComboBox::mouseReleaseEvent(QMouseEvent* event) {
    QComboBox::mouseReleaseEvent(event);
    update();
}

void TALComboBox::focusInEvent(QFocusEvent* event) {
    QComboBox::focusInEvent(event);
    update();
}

void TALComboBox::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    update();
}

void TALComboBox::enterEvent(QEnterEvent* event) {
    QComboBox::enterEvent(event);
    update();
}

void TALComboBox::leaveEvent(QEvent* event) {
    QComboBox::leaveEvent(event);
    update();
}

void TALComboBox::hidePopup() {
    QComboBox::hidePopup();
    update();
}

} // namespace sw
