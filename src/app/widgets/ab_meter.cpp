#include "app/widgets/ab_meter.h"

#include "app/widgets/qt_colors.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPalette>

namespace sw {

QImage renderMeter(QSize size, int progress, const MeterLook& look) {
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    image.fill(toQColor(look.unusedColor));
    QPainter p(&image);

    // The sizes count one pixel more than the client area, as the meter always has.
    const int w = size.width();
    const int h = size.height();
    const int blocks = progress / 10;
    const QColor used = toQColor(look.usedColor);
    if (look.orientation == TAbMeterOrientation::moHorizontal) {
        const int s = (w + 1 - 20) / 10 + 1;
        for (int i = 0; i < blocks; ++i) {
            const int left = 1 + i * (s + 2);
            p.fillRect(QRect(QPoint(left, 1), QPoint(left + s - 1, h - 2)), used);
        }
    } else {
        const int s = (h + 1 - 11) / 10 + 1;
        for (int i = 0; i < blocks; ++i) {
            const int bottom = h - 1 - i * (s + 1); // excluded
            p.fillRect(QRect(QPoint(2, bottom - s), QPoint(w - 3, bottom - 1)), used);
        }
    }

    if (look.borderStyle == TAbMeterBorderStyle::bsSingle && w > 0 && h > 0) {
        const QColor topLeft = look.ctl3D ? toQColor(clBtnShadow) : QColor(Qt::black);
        const QColor bottomRight = look.ctl3D ? toQColor(clBtnHighlight) : QColor(Qt::black);
        p.fillRect(QRect(0, 0, w, 1), topLeft);
        p.fillRect(QRect(0, 0, 1, h), topLeft);
        p.fillRect(QRect(0, h - 1, w, 1), bottomRight);
        p.fillRect(QRect(w - 1, 0, 1, h), bottomRight);
    }
    return image;
}

TAbCustomMeter::TAbCustomMeter(QWidget* parent) : QWidget(parent) {
    usePaletteSystemColors();
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(150, 16);
}

void TAbCustomMeter::DoProgress(std::uint8_t progress) {
    if (progress == m_progress)
        return;
    m_progress = progress >= 100 ? 0 : progress;
    repaint();
    if (m_pump)
        m_pump();
    else
        QCoreApplication::processEvents();
}

void TAbCustomMeter::SetOrientation(TAbMeterOrientation orientation) {
    if (orientation == m_look.orientation)
        return;
    m_look.orientation = orientation;
    if (!m_loading)
        resize(height(), width());
    update();
}

void TAbCustomMeter::SetUsedColor(TColor color) {
    if (color == m_look.usedColor)
        return;
    m_look.usedColor = color;
    update();
}

void TAbCustomMeter::SetUnusedColor(TColor color) {
    if (color == m_look.unusedColor)
        return;
    m_look.unusedColor = color;
    update();
}

void TAbCustomMeter::SetBorderStyle(TAbMeterBorderStyle style) {
    if (style == m_look.borderStyle)
        return;
    m_look.borderStyle = style;
    update();
}

void TAbCustomMeter::SetCtl3D(bool ctl3D) {
    if (ctl3D == m_look.ctl3D)
        return;
    m_look.ctl3D = ctl3D;
    update();
}

void TAbCustomMeter::SetMessagePump(MessagePump pump) {
    m_pump = std::move(pump);
}

void TAbCustomMeter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, RenderImage());
}

void TAbVCLMeterLink::DoProgress(std::uint8_t progress) {
    if (m_meter)
        m_meter->DoProgress(progress);
}

void TAbVCLMeterLink::Reset() {
    if (m_meter)
        m_meter->Reset();
}

} // namespace sw
