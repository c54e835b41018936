#include "app/artwork.h"

#include "app/demo_artwork.h"
#include "app/window_look.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace sw::artwork {

namespace {

const QColor kLight = look::colour(kLightColour);
const QColor kDark = look::colour(kDarkColour);
const QColor kDeepBlue = look::colour(look::kDeepBlue);

// The header's sky, from pale at its top row to the window's light colour at row 120; `top`
// is the row of the header at which the picture begins.
QLinearGradient headerSky(int top) {
    QLinearGradient sky(0, -top, 0, 120 - top);
    sky.setColorAt(0, QColor(236, 244, 250));
    sky.setColorAt(1, kLight);
    return sky;
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

// A button face in its three states (normal, disabled, pressed) side by side, each `w` x `h`
// on `background`. `paintFace` draws one state into its rectangle: the state's rectangle inset
// by `inset` and, when pressed, moved by `pressedShift` down and right.
template <typename PaintFace>
QImage threeStateButton(int w, int h, const QBrush& background, qreal inset, qreal pressedShift,
                        PaintFace paintFace) {
    QImage image(3 * w, h, QImage::Format_RGB888);
    QPainter p(&image);
    p.fillRect(image.rect(), background);
    p.setRenderHint(QPainter::Antialiasing);
    for (int s = 0; s < 3; ++s) {
        const State state = static_cast<State>(s);
        QRectF face(s * w + inset, inset, w - 2 * inset, h - 2 * inset);
        if (state == State::Pressed)
            face.translate(pressedShift, pressedShift);
        paintFace(p, face, state);
    }
    p.end();
    finishStates(image, 3);
    return image;
}

// The white caption of a button face (light grey when disabled).
void caption(QPainter& p, const QRectF& face, State state, int fontSize, const QString& text,
             int disabledGrey) {
    p.setPen(state == State::Disabled ? QColor(disabledGrey, disabledGrey, disabledGrey) : Qt::white);
    p.setFont(look::bookman(fontSize, true));
    p.drawText(face, Qt::AlignCenter, text);
}

} // namespace

void paintLogo(QPainter& p, const QRectF& box, const QPen& ring, const QBrush& plate) {
    // Drawn in a square of 120 units: a ring, the tail fin, "ZEV" on the fin.
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 120.0, box.height() / 120.0);
    QPen ringPen = ring;
    ringPen.setWidthF(ring.widthF() * 120.0 / box.width());
    p.setPen(ringPen);
    p.setBrush(plate);
    p.drawEllipse(QPointF(60, 60), 58, 58);
    QPainterPath fin;
    fin.moveTo(30, 100);
    fin.lineTo(54, 18);
    fin.lineTo(78, 18);
    fin.lineTo(72, 70);
    fin.lineTo(96, 100);
    fin.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kDark);
    p.drawPath(fin);
    p.setFont(look::bookman(20, true));
    p.setPen(kLight);
    p.drawText(QRectF(36, 72, 48, 24), Qt::AlignCenter, "ZEV");
    p.restore();
}

QImage header() {
    QImage image(700, 120, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(image.rect(), headerSky(0));

    // The maker's logo, on the sky.
    paintLogo(p, QRectF(20, 10, 80, 80), QPen(kDark, 4), Qt::NoBrush);

    // The program's name with its version mark.
    p.setPen(kDeepBlue);
    p.setFont(look::bookman(40, true));
    p.drawText(QRectF(300, 18, 370, 56), Qt::AlignRight | Qt::AlignVCenter, "Skinwright");
    p.setPen(kDark);
    p.setFont(look::bookman(14, false));
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
    p.fillRect(image.rect(), headerSky(99));
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(QColor(112, 116, 120));
    p.setFont(look::bookman(14, true));
    p.drawText(image.rect().adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, "ZEV Simulations");
    return image;
}

QImage roundButton(QChar symbol) {
    // The buttons sit on the header's top rows: the same sky behind the disc.
    return threeStateButton(28, 27, headerSky(0), 1.5, 0.5,
                            [&](QPainter& p, const QRectF& disc, State state) {
                                p.setPen(QPen(stateColour(kDeepBlue, state), 1));
                                p.setBrush(stateColour(kDark, state));
                                p.drawEllipse(disc);
                                caption(p, disc, state, 16, QString(symbol), 235);
                            });
}

QImage navigationButton(const QString& text) {
    QImage image(165, 21, QImage::Format_RGB888);
    image.fill(kDark);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(kDeepBlue);
    p.drawRect(0, 0, 164, 20);
    p.setPen(Qt::white);
    p.setFont(look::bookman(12, true));
    p.drawText(image.rect(), Qt::AlignCenter, text);
    p.end();
    finishStates(image, 1);
    return image;
}

QImage plateButton(const QString& text) {
    return threeStateButton(146, 51, kLight, 2.5, 1, [&](QPainter& p, const QRectF& plate, State state) {
        QLinearGradient shade(0, plate.top(), 0, plate.bottom());
        shade.setColorAt(0, stateColour(kDark.lighter(125), state));
        shade.setColorAt(1, stateColour(kDark.darker(115), state));
        p.setPen(QPen(stateColour(kDeepBlue, state), 1.5));
        p.setBrush(shade);
        p.drawRoundedRect(plate, 10, 10);
        caption(p, plate, state, 20, text, 240);
    });
}

QImage browseButton() {
    return threeStateButton(31, 30, kLight, 1.5, 1, [](QPainter& p, const QRectF& plate, State state) {
        p.setPen(QPen(stateColour(kDeepBlue, state), 1));
        p.setBrush(stateColour(kDark, state));
        p.drawRoundedRect(plate, 6, 6);
        caption(p, plate.adjusted(0, -4, 0, 0), state, 14, "...", 235);
    });
}

QImage undoButton() {
    return threeStateButton(31, 30, kLight, 1.5, 1, [](QPainter& p, const QRectF& plate, State state) {
        p.setPen(QPen(stateColour(kDeepBlue, state), 1));
        p.setBrush(stateColour(kDark, state));
        p.drawRoundedRect(plate, 6, 6);
        // An arrow that turns back to the left: an arc over the top, its head at the left end.
        const QColor ink = state == State::Disabled ? QColor(235, 235, 235) : QColor(Qt::white);
        const QPointF c = plate.center() + QPointF(1, 2);
        const QRectF ring(c.x() - 8, c.y() - 7, 16, 14);
        QPainterPath arc;
        arc.arcMoveTo(ring, 200);
        arc.arcTo(ring, 200, -250);
        p.setPen(QPen(ink, 2.6, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(arc);
        const QPointF tip = arc.pointAtPercent(0);
        QPainterPath head;
        head.moveTo(tip + QPointF(-5, -3));
        head.lineTo(tip + QPointF(3, -4.5));
        head.lineTo(tip + QPointF(0.5, 3.5));
        head.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawPath(head);
    });
}

QImage defaultThumbnail() {
    // The house airliner in white with the cheat line in the window's dark colour.
    const QColor stripe = kDark;
    return liveryThumbnail("No preview available", 0xFFFFFF, stripe.rgb() & 0xFFFFFF);
}

QImage applicationIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // The logo on a light plate, 4 of 128 units from the edges.
    const qreal unit = size / 128.0;
    paintLogo(p, QRectF(4 * unit, 4 * unit, 120 * unit, 120 * unit), QPen(kDeepBlue, 4 * unit), kLight);
    return image;
}

bool writeDefaultThumbnail(const QString& path) {
    return defaultThumbnail().save(path, "JPEG", 90);
}

} // namespace sw::artwork
