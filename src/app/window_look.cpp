#include "app/window_look.h"

#include "app/widgets/flat_combo_box.h"

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

TALComboBox* comboBox(QWidget* parent, const char* name, QRect geometry, int fontHeight) {
    auto* box = new TALComboBox(parent);
    box->setObjectName(name);
    box->setGeometry(geometry);
    box->setFont(bookman(fontHeight, false));
    box->SetItemHeight(19);
    box->SetBorderColor(kDark);
    box->SetArrowColor(kDark);
    box->SetButtonColor(kLight);
    box->SetColor(kLight);
    box->SetFontColor(kDark);
    return box;
}

} // namespace sw::look
