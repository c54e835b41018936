#include "app/qt_linked_controls.h"

#include <QLabel>
#include <QProgressBar>
#include <limits>

namespace sw {

void QtLinkedLabel::setCaption(const std::string& caption) {
    const QString text = QString::fromStdString(caption);
    if (m_label->text() == text)
        return;
    m_label->setText(text);
    m_label->adjustSize();
}

int QtLinkedProgressBar::scaled(std::int64_t value) const {
    return static_cast<int>(value >> m_shift);
}

void QtLinkedProgressBar::setRange(std::int64_t minimum, std::int64_t maximum) {
    m_shift = 0;
    while ((maximum >> m_shift) > std::numeric_limits<int>::max() ||
           (minimum >> m_shift) < std::numeric_limits<int>::min())
        ++m_shift;
    m_bar->setRange(scaled(minimum), scaled(maximum));
}

void QtLinkedProgressBar::setPosition(std::int64_t position) {
    m_bar->setValue(scaled(position));
}

} // namespace sw
