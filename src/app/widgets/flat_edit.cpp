#include "app/widgets/flat_edit.h"

#include "app/widgets/qt_colors.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

namespace sw {

namespace {

bool hasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

} // namespace

FlatParts editFlatParts(QSize size, const EditLook& look) {
    FlatParts parts;
    const int w = size.width();
    const int h = size.height();
    if (w <= 0 || h <= 0)
        return parts;
    // The system's single-line border (window-frame colour) surrounds the client area; our
    // frame is the client area's own edge, so the box shows two one-pixel lines.
    addFrame(parts, QRect(0, 0, w, h), clWindowFrame);
    addFrame(parts, QRect(1, 1, w - 2, h - 2), look.borderColor == clNone ? look.color : look.borderColor);
    if (look.btnVisible) {
        const QRect button = editButtonRect(size, look);
        parts.push_back({button, look.btnColor});
        if (look.borderColor != clNone)
            parts.push_back({QRect(button.left() - 1, button.top(), 1, button.height()), look.borderColor});
    }
    return parts;
}

QRect editButtonRect(QSize size, const EditLook& look) {
    const int width = std::max(0, look.btnWidth);
    return QRect(size.width() - 2 - width, 2, width, std::max(0, size.height() - 4));
}

TALEdit::TALEdit(QWidget* parent) : QLineEdit(parent) {
    usePaletteSystemColors();
    setFrame(false);
    setLayoutDirection(Qt::LeftToRight);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    SetColor(m_look.color);
    updateTextRect();
}

void TALEdit::SetAlignment(TAlignment alignment) {
    m_alignment = alignment;
    applyAlignment();
    update();
}

void TALEdit::SetbtnVisible(bool visible) {
    m_look.btnVisible = visible;
    updateTextRect();
    update();
}

void TALEdit::SetbtnWidth(int width) {
    m_look.btnWidth = width;
    updateTextRect();
    update();
}

void TALEdit::SetbtnCaption(const QString& caption) {
    m_btnCaption = caption;
    update();
}

void TALEdit::SetGlyph(TImageList* glyph) {
    m_glyph = glyph;
    update();
    if (glyph)
        connect(glyph, &QObject::destroyed, this, [this] { update(); });
}

void TALEdit::SetGlyphIndex(int index) {
    m_glyphIndex = index;
    update();
}

void TALEdit::SetBorderColor(TColor color) {
    m_look.borderColor = color;
    updateTextRect();
    update();
}

void TALEdit::SetbtnColor(TColor color) {
    m_look.btnColor = color;
    update();
}

void TALEdit::SetbtnFont(const QFont& font) {
    m_btnFont = font;
    update();
}

void TALEdit::SetColor(TColor color) {
    m_look.color = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, toQColor(color));
    pal.setColor(QPalette::Window, toQColor(color));
    setPalette(pal);
    update();
}

void TALEdit::SetFontColor(TColor color) {
    QPalette pal = palette();
    pal.setColor(QPalette::Text, toQColor(color));
    setPalette(pal);
}

QRect TALEdit::ButtonHitRect() const {
    const int reach = m_look.btnWidth + 2;
    return QRect(width() - 1 - reach, 0, reach + 1, height());
}

// The text runs from 1 pixel into the client area to the button (and its separator).
void TALEdit::updateTextRect() {
    int right = 1; // the frame
    if (m_look.btnVisible)
        right += m_look.btnWidth + (m_look.borderColor != clNone ? 1 : 0);
    setTextMargins(2, 1, right + 1, 0);
}

void TALEdit::applyAlignment() {
    // The chosen alignment holds while the box has no focus; with the focus the text is
    // edited left-aligned.
    Qt::Alignment a = Qt::AlignLeft;
    if (!m_focused && m_alignment == TAlignment::taRightJustify)
        a = Qt::AlignRight;
    else if (!m_focused && m_alignment == TAlignment::taCenter)
        a = Qt::AlignHCenter;
    setAlignment(a | Qt::AlignVCenter);
}

bool TALEdit::Paste() {
    if (isReadOnly() || hasLineBreak(QGuiApplication::clipboard()->text()))
        return false;
    paste();
    return true;
}

void TALEdit::paintEvent(QPaintEvent* event) {
    bool continuePainting = true;
    if (m_onPaint)
        m_onPaint(this, continuePainting);
    {
        QPainter background(this);
        background.fillRect(rect(), toQColor(m_look.color));
    }
    QLineEdit::paintEvent(event);
    if (!continuePainting)
        return;

    QPainter p(this);
    paintFlatParts(p, editFlatParts(size(), m_look));
    if (!m_look.btnVisible)
        return;
    const QRect button = editButtonRect(size(), m_look);
    if (m_glyph && m_glyph->validIndex(m_glyphIndex)) {
        const QPixmap& pixmap = m_glyph->images.at(m_glyphIndex);
        if (pixmap.width() <= button.width() && pixmap.height() <= button.height())
            p.drawPixmap(button.left() + (button.width() - pixmap.width()) / 2,
                         button.top() + (button.height() - pixmap.height()) / 2, pixmap);
    } else if (!m_btnCaption.isEmpty()) {
        const QFontMetrics fm(m_btnFont);
        const QSize text = fm.size(Qt::TextSingleLine, m_btnCaption);
        if (text.width() <= button.width() && text.height() <= button.height()) {
            p.setFont(m_btnFont);
            p.setPen(palette().color(QPalette::ButtonText));
            p.drawText(button, Qt::AlignCenter | Qt::TextSingleLine, m_btnCaption);
        }
    }
}

void TALEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept(); // swallowed: no line break, no default button
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        Paste();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TALEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    m_focused = true;
    deselect();
    end(false);
    applyAlignment();
    update();
}

void TALEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    m_focused = false;
    m_buttonPressed = false;
    m_mouseInControl = false;
    applyAlignment();
    update();
}

void TALEdit::mousePressEvent(QMouseEvent* event) {
    if (m_look.btnVisible && event->button() == Qt::LeftButton &&
        ButtonHitRect().contains(event->position().toPoint())) {
        m_buttonPressed = true; // the selection stays as it was
        update();
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void TALEdit::mouseMoveEvent(QMouseEvent* event) {
    const bool overButton = m_look.btnVisible && ButtonHitRect().contains(event->position().toPoint());
    setCursor(overButton ? Qt::ArrowCursor : Qt::IBeamCursor);
    if (m_buttonPressed) {
        event->accept();
        return;
    }
    QLineEdit::mouseMoveEvent(event);
}

void TALEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (m_buttonPressed) {
        m_buttonPressed = false;
        const QPoint pos = event->position().toPoint();
        if (event->button() == Qt::LeftButton && ButtonHitRect().contains(pos) && rect().contains(pos)) {
            setFocus(Qt::MouseFocusReason);
            emit OnButtonClick();
        }
        update();
        event->accept();
        return;
    }
    // The X11 selection paste of the middle button follows the same rule as the clipboard.
    if (event->button() == Qt::MiddleButton &&
        hasLineBreak(QGuiApplication::clipboard()->text(QClipboard::Selection))) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TALEdit::enterEvent(QEnterEvent* event) {
    QLineEdit::enterEvent(event);
    m_mouseInControl = true;
    update();
}

void TALEdit::leaveEvent(QEvent* event) {
    QLineEdit::leaveEvent(event);
    m_mouseInControl = false;
    update();
}

void TALEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    updateTextRect();
    update();
}

void TALEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    // The menu's paste goes through the same check as the keyboard's.
    for (QAction* action : menu->actions()) {
        if (action->objectName() == QLatin1String("edit-paste")) {
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this, [this] { Paste(); });
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

bool TALEdit::event(QEvent* event) {
    const bool handled = QLineEdit::event(event);
    if (event->type() == QEvent::FontChange)
        updateTextRect();
    return handled;
}

} // namespace sw
