#include "app/widgets/flat_check_box.h"

#include "app/widgets/qt_colors.h"

#include <QKeyEvent>
#include <QPainter>
#include <QShortcutEvent>

namespace sw {

namespace {

// The pixels of a line from `from` towards `to`, the end point left out, as GDI draws it.
// The tick uses only horizontal, vertical and 45-degree lines.
void linePixels(std::vector<QPoint>& out, QPoint from, QPoint to) {
    const int dx = (to.x() > from.x()) - (to.x() < from.x());
    const int dy = (to.y() > from.y()) - (to.y() < from.y());
    for (QPoint p = from; p != to; p += QPoint(dx, dy))
        out.push_back(p);
}

} // namespace

PreparedCaption prepareCaption(const QString& caption) {
    PreparedCaption prepared;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&')) {
            prepared.text += caption[i];
            continue;
        }
        if (i + 1 >= caption.size())
            break; // a lone "&" at the end marks nothing
        if (caption[i + 1] == QLatin1Char('&')) {
            prepared.text += QLatin1Char('&');
        } else {
            if (prepared.accelerator < 0)
                prepared.accelerator = static_cast<int>(prepared.text.size());
            prepared.text += caption[i + 1];
        }
        ++i;
    }
    return prepared;
}

std::vector<QPoint> checkMarkPixels(int x, int y) {
    const int b = y + TALCheckBox::kSquareSize;
    std::vector<QPoint> pixels;
    for (int k = 0; k < 3; ++k) {
        const QPoint start(x + 2, b - 5 - k);
        const QPoint corner(x + 4, b - 3 - k);
        const QPoint end(x + 9, b - 8 - k);
        linePixels(pixels, start, corner);
        linePixels(pixels, corner, end);
    }
    return pixels;
}

TALCheckBox::TALCheckBox(QWidget* parent) : QWidget(parent) {
    usePaletteSystemColors();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
    resize(75, 25);
}

void TALCheckBox::SetChecked(bool checked) {
    SetState(checked ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked);
}

void TALCheckBox::SetBlankColor(TColor color) {
    m_blankColor = color;
    update();
}

void TALCheckBox::SetMarkColor(TColor color) {
    m_markColor = color;
    update();
}

void TALCheckBox::SetSpacing(int spacing) {
    m_spacing = spacing;
    adjustSize();
    update();
}

void TALCheckBox::SetLayout(TCheckBoxLayout layout) {
    m_layout = layout;
    update();
}

void TALCheckBox::SetBorderColor(TColor color) {
    m_borderColor = color;
    update();
}

void TALCheckBox::SetGlyphIndex(int index) {
    m_glyphIndex = index;
    update();
}

void TALCheckBox::SetGlyph(TImageList* glyph) {
    m_glyph = glyph;
    if (glyph)
        connect(glyph, &QObject::destroyed, this, [this] { update(); });
    update();
}

void TALCheckBox::SetState(TCheckBoxState state) {
    if (state == m_state)
        return;
    m_state = state;
    update();
}

void TALCheckBox::SetAutoSize(bool autoSize) {
    m_autoSize = autoSize;
    adjustSize();
    update();
}

void TALCheckBox::SetCaption(const QString& caption) {
    m_caption = caption;
    if (m_shortcutId != 0)
        releaseShortcut(m_shortcutId);
    m_shortcutId = 0;
    const QKeySequence accelerator = Accelerator();
    if (!accelerator.isEmpty())
        m_shortcutId = grabShortcut(accelerator);
    adjustSize();
    update();
}

void TALCheckBox::SetColor(TColor color) {
    m_color = color;
    update();
}

TColor TALCheckBox::FontColor() const {
    return fromQColor(palette().color(QPalette::WindowText));
}

void TALCheckBox::SetFontColor(TColor color) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, toQColor(color));
    pal.setColor(QPalette::Text, toQColor(color));
    pal.setColor(QPalette::ButtonText, toQColor(color));
    setPalette(pal);
    update();
}

QKeySequence TALCheckBox::Accelerator() const {
    const PreparedCaption prepared = prepareCaption(m_caption);
    if (prepared.accelerator < 0)
        return QKeySequence();
    return QKeySequence(QKeyCombination(
        Qt::AltModifier, static_cast<Qt::Key>(prepared.text[prepared.accelerator].toUpper().unicode())));
}

void TALCheckBox::Click() {
    setFocus(Qt::OtherFocusReason);
    switch (m_state) {
    case TCheckBoxState::cbUnchecked:
        SetState(m_allowGrayed ? TCheckBoxState::cbGrayed : TCheckBoxState::cbChecked);
        break;
    case TCheckBoxState::cbChecked:
        SetState(TCheckBoxState::cbUnchecked);
        break;
    case TCheckBoxState::cbGrayed:
        SetState(TCheckBoxState::cbChecked);
        break;
    }
    emit clicked();
}

QSize TALCheckBox::captionSize() const {
    const QFontMetrics fm(font());
    const PreparedCaption prepared = prepareCaption(m_caption);
    return QSize(fm.horizontalAdvance(prepared.text), fm.height());
}

void TALCheckBox::adjustSize() {
    if (!m_autoSize)
        return;
    const QSize text = captionSize();
    resize(kSquareSize + m_spacing + text.width(), std::max(kSquareSize, text.height()));
}

// Square, spacing and caption are centred together across the control; each is centred
// vertically on its own.
QRect TALCheckBox::SquareRect() const {
    const int left = (width() - (kSquareSize + m_spacing + captionSize().width())) / 2;
    return QRect(left, (height() - kSquareSize) / 2, kSquareSize, kSquareSize);
}

QRect TALCheckBox::CaptionRect() const {
    const QSize text = captionSize();
    return QRect(SquareRect().left() + kSquareSize + m_spacing, (height() - text.height()) / 2, text.width(),
                 text.height());
}

QImage TALCheckBox::RenderImage() const {
    QImage image(size(), QImage::Format_RGB32);
    if (image.isNull())
        return image;
    image.fill(toQColor(m_color));
    QPainter p(&image);

    const QRect square = SquareRect();
    if (m_glyph && m_glyph->validIndex(m_glyphIndex)) {
        p.drawPixmap(square.topLeft(), m_glyph->images.at(m_glyphIndex));
    } else {
        FlatParts parts;
        parts.push_back({square, m_blankColor});
        addFrame(parts, square, m_borderColor);
        paintFlatParts(p, parts);
        if (m_state != TCheckBoxState::cbUnchecked) {
            const QColor mark = toQColor(m_markColor);
            for (const QPoint& pixel : checkMarkPixels(square.left(), square.top()))
                p.fillRect(pixel.x(), pixel.y(), 1, 1, mark);
        }
    }

    // The caption on a clear background, its accelerator underlined.
    const PreparedCaption prepared = prepareCaption(m_caption);
    const QRect text = CaptionRect();
    const QFontMetrics fm(font());
    const int baseline = text.top() + fm.ascent();
    p.setPen(palette().color(QPalette::WindowText));
    p.setFont(font());
    if (prepared.accelerator < 0) {
        p.drawText(text.left(), baseline, prepared.text);
    } else {
        const QString before = prepared.text.left(prepared.accelerator);
        const QString marked = prepared.text.mid(prepared.accelerator, 1);
        const QString after = prepared.text.mid(prepared.accelerator + 1);
        int x = text.left();
        p.drawText(x, baseline, before);
        x += fm.horizontalAdvance(before);
        QFont underlined = font();
        underlined.setUnderline(true);
        p.setFont(underlined);
        p.drawText(x, baseline, marked);
        x += fm.horizontalAdvance(marked);
        p.setFont(font());
        p.drawText(x, baseline, after);
    }

    if (m_focused) {
        // A dotted rectangle 2 pixels outside the caption, every other pixel set.
        const QRect r = text.adjusted(-2, -2, 2, 2);
        const QColor dots = palette().color(QPalette::WindowText);
        for (int x = r.left(); x <= r.right(); x += 2) {
            p.fillRect(x, r.top(), 1, 1, dots);
            p.fillRect(x, r.bottom(), 1, 1, dots);
        }
        for (int y = r.top(); y <= r.bottom(); y += 2) {
            p.fillRect(r.left(), y, 1, 1, dots);
            p.fillRect(r.right(), y, 1, 1, dots);
        }
    }
    return image;
}

void TALCheckBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, RenderImage());
}

bool TALCheckBox::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut) {
        auto* shortcut = static_cast<QShortcutEvent*>(event);
        if (shortcut->shortcutId() == m_shortcutId && m_shortcutId != 0) {
            Click();
            return true;
        }
    }
    if (event->type() == QEvent::Enter || event->type() == QEvent::Leave)
        update();
    return QWidget::event(event);
}

void TALCheckBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_mousePressed = true;
        update();
    }
    event->accept();
}

void TALCheckBox::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasPressed = m_mousePressed;
    m_mousePressed = false;
    update();
    if (wasPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Click();
    event->accept();
}

void TALCheckBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        m_keyPressed = true;
        update();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TALCheckBox::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        const bool wasPressed = m_keyPressed;
        m_keyPressed = false;
        if (wasPressed)
            Click();
        event->accept();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void TALCheckBox::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    m_focused = true;
    update();
}

void TALCheckBox::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    m_focused = false;
    m_mousePressed = false;
    m_keyPressed = false;
    update();
}

void TALCheckBox::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        adjustSize();
        update();
    } else if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange) {
        update();
    }
}

} // namespace sw
