#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QPixmap>
#include <vector>

namespace sw {

// A button whose face is a picture: one to three state images side by side in one bitmap
// (normal, disabled, pressed), each centred on the button. Black is transparent.
class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    PictureButton(const QImage& glyph, int states, QWidget* parent = nullptr);

    // The state image shown now: 0 normal, 1 disabled, 2 pressed (fewer states fall back to 0).
    int currentState() const;
    const QPixmap& stateImage(int state) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QPixmap> m_states;
};

} // namespace sw
