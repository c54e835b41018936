#include "app/window_look.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPalette>

namespace sw::look {

QColor colour(unsigned value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

QFont bookman(int pixelHeight, bool bold) {
    QFont font("Bookman Old Style");
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

void setBackground(QWidget* widget, const QColor& c) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, c);
    palette.setColor(QPalette::Base, c);
    palette.setColor(QPalette::Button, c);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setTextColour(QWidget* widget, const QColor& c) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, c);
    palette.setColor(QPalette::Text, c);
    palette.setColor(QPalette::ButtonText, c);
    widget->setPalette(palette);
}

QFrame* panel(QWidget* parent, const char* name, QRect geometry, unsigned c) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::NoFrame);
    frame->setGeometry(geometry);
    setBackground(frame, colour(c));
    return frame;
}

QLabel* label(QWidget* parent, const char* name, QPoint position, const QString& text, const QFont& font,
              unsigned textColour) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFont(font);
    setTextColour(l, colour(textColour));
    l->move(position);
    l->adjustSize();
    return l;
}

QComboBox* comboBox(QWidget* parent, const char* name, QRect geometry, int fontHeight) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setGeometry(geometry);
    box->setFont(bookman(fontHeight, false));
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, colour(kLight));
    palette.setColor(QPalette::Button, colour(kLight));
    palette.setColor(QPalette::Window, colour(kLight));
    palette.setColor(QPalette::Text, colour(kDark));
    palette.setColor(QPalette::ButtonText, colour(kDark));
    palette.setColor(QPalette::WindowText, colour(kDark));
    box->setPalette(palette);
    return box;
}

} // namespace sw::look
