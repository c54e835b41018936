#include "app/artwork.h"

#include "app/demo_artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace sw::artwork {

namespace {

const QColor kLight(210, 227, 238);
const QColor kDark(62, 113, 148);
const QColor kDeepBlue(28, 62, 98);

QFont bookman(int pixelSize, bool bold) {
    QFont font("Bookman Old Style");
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// The transparent-colour marker: one black pixel at the bottom-left corner of each state image,
// and no black pixel anywhere else (drawn colours are lifted off pure black).
void finishStates(QImage& image, int states) {
    const int w = image.width() / states;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == 0)
                image.setPixel(x, y, qRgb(1, 1, 1));
    for (int s = 0; s < states; ++s)
        image.setPixel(s * w, image.height() - 1, qRgb(0, 0, 0));
}

QColor greyed(const QColor& c) {
    int g = qGray(c.rgb());
    return QColor((g + 2 * 200) / 3, (g + 2 * 200) / 3, (g + 2 * 200) / 3);
}

enum class State { Normal, Disabled, Pressed };

QColor stateColour(const QColor& c, State state) {
    switch (state) {
    case State::Disabled:
        return greyed(c);
    case State::Pressed:
        return c.darker(125);
    case State::Normal:
        break;
    }
    return c;
}

} // namespace

QImage header() {
    QImage image(700, 120, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 120);
    sky.setColorAt(0, QColor(236, 244, 250));
    sky.setColorAt(1, kLight);
    p.fillRect(image.rect(), sky);

    // The maker's logo: a tail fin in a ring.
    p.setPen(QPen(kDark, 4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(60, 50), 38, 38);
    QPainterPath fin;
    fin.moveTo(42, 78);
    fin.lineTo(58, 22);
    fin.lineTo(74, 22);
    fin.lineTo(70, 58);
    fin.lineTo(86, 78);
    fin.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kDark);
    p.drawPath(fin);
    p.setPen(kLight);
    p.setFont(bookman(13, true));
    p.drawText(QRectF(48, 60, 30, 16), Qt::AlignCenter, "ZEV");

    // The program's name with its version mark.
    p.setPen(kDeepBlue);
    p.setFont(bookman(40, true));
    p.drawText(QRectF(300, 18, 370, 56), Qt::AlignRight | Qt::AlignVCenter, "Skinwright");
    p.setPen(kDark);
    p.setFont(bookman(14, false));
    p.drawText(QRectF(300, 70, 370, 20), Qt::AlignRight | Qt::AlignVCenter,
               "livery manager  v" SKINWRIGHT_VERSION);
    p.setPen(QPen(kDark, 2));
    p.drawLine(300, 96, 670, 96);
    return image;
}

QImage makerName() {
    QImage image(239, 18, QImage::Format_RGB888);
    // The same sky as the header rows it covers (y 99 to 116 of the window).
    QPainter p(&image);
    QLinearGradient sky(0, -99, 0, 21);
    sky.setColorAt(0, QColor(236, 244, 250));
    sky.setColorAt(1, kLight);
    p.fillRect(image.rect(), sky);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(QColor(112, 116, 120));
    p.setFont(bookman(14, true));
    p.drawText(image.rect().adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, "ZEV Simulations");
    return image;
}

QImage roundButton(QChar symbol) {
    const int w = 28, h = 27;
    QImage image(3 * w, h, QImage::Format_RGB888);
    QPainter p(&image);
    // The buttons sit on the header's top rows: the same sky behind the disc.
    QLinearGradient sky(0, 0, 0, 120);
    sky.setColorAt(0, QColor(236, 244, 250));
    sky.setColorAt(1, kLight);
    p.fillRect(image.rect(), sky);
    p.setRenderHint(QPainter::Antialiasing);
    for (int s = 0; s < 3; ++s) {
        State state = static_cast<State>(s);
        QRectF disc(s * w + 1.5, 1.5, w - 3, h - 3);
        if (state == State::Pressed)
            disc.translate(0.5, 0.5);
        p.setPen(QPen(stateColour(kDeepBlue, state), 1));
        p.setBrush(stateColour(kDark, state));
        p.drawEllipse(disc);
        p.setPen(state == State::Disabled ? QColor(235, 235, 235) : Qt::white);
        p.setFont(bookman(16, true));
        p.drawText(disc, Qt::AlignCenter, QString(symbol));
    }
    p.end();
    finishStates(image, 3);
    return image;
}

QImage navigationButton(const QString& text) {
    QImage image(165, 21, QImage::Format_RGB888);
    image.fill(kDark);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(kDeepBlue);
    p.drawRect(0, 0, 164, 20);
    p.setPen(Qt::white);
    p.setFont(bookman(12, true));
    p.drawText(image.rect(), Qt::AlignCenter, text);
    p.end();
    finishStates(image, 1);
    return image;
}

QImage plateButton(const QString& text) {
    const int w = 146, h = 51;
    QImage image(3 * w, h, QImage::Format_RGB888);
    image.fill(kLight);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int s = 0; s < 3; ++s) {
        State state = static_cast<State>(s);
        QRectF plate(s * w + 2.5, 2.5, w - 5, h - 5);
        if (state == State::Pressed)
            plate.translate(1, 1);
        QLinearGradient shade(0, plate.top(), 0, plate.bottom());
        shade.setColorAt(0, stateColour(kDark.lighter(125), state));
        shade.setColorAt(1, stateColour(kDark.darker(115), state));
        p.setPen(QPen(stateColour(kDeepBlue, state), 1.5));
        p.setBrush(shade);
        p.drawRoundedRect(plate, 10, 10);
        p.setPen(state == State::Disabled ? QColor(240, 240, 240) : Qt::white);
        p.setFont(bookman(20, true));
        p.drawText(plate, Qt::AlignCenter, text);
    }
    p.end();
    finishStates(image, 3);
    return image;
}

QImage browseButton() {
    const int w = 31, h = 30;
    QImage image(3 * w, h, QImage::Format_RGB888);
    image.fill(kLight);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int s = 0; s < 3; ++s) {
        State state = static_cast<State>(s);
        QRectF plate(s * w + 1.5, 1.5, w - 3, h - 3);
        if (state == State::Pressed)
            plate.translate(1, 1);
        p.setPen(QPen(stateColour(kDeepBlue, state), 1));
        p.setBrush(stateColour(kDark, state));
        p.drawRoundedRect(plate, 6, 6);
        p.setPen(state == State::Disabled ? QColor(235, 235, 235) : Qt::white);
        p.setFont(bookman(14, true));
        p.drawText(plate.adjusted(0, -4, 0, 0), Qt::AlignCenter, "...");
    }
    p.end();
    finishStates(image, 3);
    return image;
}

QImage defaultThumbnail() {
    // The house airliner in white with the steel-blue cheat line.
    return liveryThumbnail("No preview available", 0xFFFFFF, 0x3E7194);
}

bool writeDefaultThumbnail(const QString& path) {
    return defaultThumbnail().save(path, "JPEG", 90);
}

} // namespace sw::artwork
