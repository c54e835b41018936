#include "app/picture_button.h"

#include <QBitmap>
#include <QPainter>

namespace sw {

PictureButton::PictureButton(const QImage& glyph, int states, QWidget* parent) : QAbstractButton(parent) {
    const int w = glyph.width() / states;
    for (int s = 0; s < states; ++s) {
        QPixmap state = QPixmap::fromImage(glyph.copy(s * w, 0, w, glyph.height()));
        state.setMask(state.createMaskFromColor(Qt::black, Qt::MaskInColor));
        m_states.push_back(state);
    }
    setFocusPolicy(Qt::StrongFocus);
}

int PictureButton::currentState() const {
    int state = 0;
    if (!isEnabled())
        state = 1;
    else if (isDown())
        state = 2;
    return state < static_cast<int>(m_states.size()) ? state : 0;
}

const QPixmap& PictureButton::stateImage(int state) const {
    return m_states.at(static_cast<std::size_t>(state));
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap& face = m_states[static_cast<std::size_t>(currentState())];
    // State images are a few pixels larger than the button and centred on it.
    painter.drawPixmap((width() - face.width()) / 2, (height() - face.height()) / 2, face);
}

} // namespace sw
