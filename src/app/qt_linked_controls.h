#pragma once

#include "download/linked_controls.h"

class QLabel;
class QProgressBar;

namespace sw {

// A QLabel as the downloader's linked label.
class QtLinkedLabel : public LinkedLabel {
public:
    explicit QtLinkedLabel(QLabel* label) : m_label(label) {}
    void setCaption(const std::string& caption) override;

private:
    QLabel* m_label;
};

// A QProgressBar as the downloader's linked bar. QProgressBar holds int values; byte counts
// of files past 2 GiB are scaled down so that the bar still moves in proportion.
class QtLinkedProgressBar : public LinkedProgressBar {
public:
    explicit QtLinkedProgressBar(QProgressBar* bar) : m_bar(bar) {}
    void setRange(std::int64_t minimum, std::int64_t maximum) override;
    void setPosition(std::int64_t position) override;

private:
    int scaled(std::int64_t value) const;

    QProgressBar* m_bar;
    int m_shift = 0;
};

} // namespace sw
