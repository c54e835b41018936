#pragma once

#include "download_and_install/download_and_install.h"

namespace sw {

class TForm1;

// The progress overlay `p3` and the window's titles, for the download-and-install sequence.
class WindowDownloadOverlay : public download_and_install::DownloadOverlay {
public:
    explicit WindowDownloadOverlay(TForm1& form) : m_form(form) {}

    void setOverlayVisible(bool visible) override;
    void setPhaseText(const std::string& text) override;
    void setMarqueeVisible(bool visible) override;
    void setMeterVisible(bool visible) override;
    void setFirstFiguresVisible(bool visible) override;
    void setSecondFiguresVisible(bool visible) override;
    void setTitles(const std::string& caption, const std::string& taskbarTitle) override;
    void setActionsEnabled(bool enabled) override;

private:
    TForm1& m_form;
};

} // namespace sw
