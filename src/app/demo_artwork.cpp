#include "app/demo_artwork.h"

#include "app/window_look.h"

#include <QBuffer>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace sw::artwork {

namespace {

const QColor kDeepBlue = look::colour(look::kDeepBlue);

QColor rgb(std::uint32_t value) {
    return QColor((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

} // namespace

QImage liveryThumbnail(const QString& caption, std::uint32_t colour, std::uint32_t stripe) {
    QImage image(256, 128, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 128);
    sky.setColorAt(0, QColor(150, 190, 226));
    sky.setColorAt(1, QColor(236, 242, 250));
    p.fillRect(image.rect(), sky);

    QPainterPath body;
    body.moveTo(28, 70);
    body.cubicTo(30, 58, 50, 56, 70, 56);
    body.lineTo(200, 56);
    body.lineTo(232, 30);
    body.lineTo(244, 30);
    body.lineTo(236, 60);
    body.cubicTo(236, 70, 226, 76, 210, 76);
    body.lineTo(52, 76);
    body.cubicTo(38, 76, 28, 74, 28, 70);
    p.setPen(QPen(kDeepBlue, 1.5));
    p.setBrush(rgb(colour));
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(rgb(stripe));
    p.drawRect(QRectF(60, 64, 160, 6));
    QPainterPath fin;
    fin.moveTo(204, 56);
    fin.lineTo(232, 30);
    fin.lineTo(244, 30);
    fin.lineTo(238, 56);
    fin.closeSubpath();
    p.drawPath(fin);
    p.setBrush(QColor(40, 50, 60));
    for (int x = 64; x < 196; x += 9)
        p.drawEllipse(QRectF(x, 59, 3.5, 3.5));
    QPainterPath wing;
    wing.moveTo(110, 70);
    wing.lineTo(150, 70);
    wing.lineTo(124, 96);
    wing.lineTo(110, 96);
    wing.closeSubpath();
    p.setBrush(kDeepBlue);
    p.drawPath(wing);

    p.setFont(look::bookman(13, true));
    p.setPen(kDeepBlue);
    p.drawText(QRectF(0, 100, 256, 24), Qt::AlignCenter, caption);
    return image;
}

std::string liveryThumbnailJpeg(const std::string& caption, std::uint32_t colour, std::uint32_t stripe) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    liveryThumbnail(QString::fromStdString(caption), colour, stripe).save(&buffer, "JPEG", 85);
    return bytes.toStdString();
}

} // namespace sw::artwork
