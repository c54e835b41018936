#include "app/window_download_overlay.h"

#include "app/main_window.h"
#include "app/picture_button.h"
#include "app/widgets/ab_meter.h"
#include "app/widgets/marquee_bar.h"

namespace sw {

void WindowDownloadOverlay::setOverlayVisible(bool visible) {
    m_form.p3->setVisible(visible);
}

void WindowDownloadOverlay::setPhaseText(const std::string& text) {
    QString caption = QString::fromStdString(text);
    caption.replace("\r\n", "\n");
    m_form.Label8->setText(caption);
}

void WindowDownloadOverlay::setMarqueeVisible(bool visible) {
    m_form.mb1->setVisible(visible);
}

void WindowDownloadOverlay::setMeterVisible(bool visible) {
    m_form.AbMeter1->setVisible(visible);
}

void WindowDownloadOverlay::setFirstFiguresVisible(bool visible) {
    for (QWidget* w : {m_form.Label9, m_form.Label11, m_form.Label12, m_form.Label13, m_form.Label14})
        w->setVisible(visible);
}

void WindowDownloadOverlay::setSecondFiguresVisible(bool visible) {
    for (QWidget* w : {static_cast<QWidget*>(m_form.Label15), static_cast<QWidget*>(m_form.Label16),
                       static_cast<QWidget*>(m_form.Label17), static_cast<QWidget*>(m_form.ProgressBar)})
        w->setVisible(visible);
}

void WindowDownloadOverlay::setTitles(const std::string& caption, const std::string& taskbarTitle) {
    m_form.setWindowTitle(QString::fromStdString(caption));
    m_form.setTaskbarTitle(taskbarTitle);
}

void WindowDownloadOverlay::setActionsEnabled(bool enabled) {
    for (QWidget* w : {static_cast<QWidget*>(m_form.BitBtn10), static_cast<QWidget*>(m_form.BitBtn11),
                       static_cast<QWidget*>(m_form.BitBtn12), static_cast<QWidget*>(m_form.BitBtn3),
                       static_cast<QWidget*>(m_form.BitBtn6), static_cast<QWidget*>(m_form.BitBtn13),
                       static_cast<QWidget*>(m_form.BitBtn8)})
        w->setEnabled(enabled);
}

} // namespace sw
