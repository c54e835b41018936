#pragma once

// Time as the downloader sees it: the local date and time for its statistics, a steady
// clock for its time-outs and refresh limits, and a sleep for the reconnection countdown.
// Tests pass a clock that only moves when they say so.

#include <chrono>

namespace sw {

class DownloadClock {
public:
    virtual ~DownloadClock() = default;
    // The local date and time as days since 1899-12-30 (a TDateTime), fraction = time of day.
    virtual double now() = 0;
    virtual std::chrono::milliseconds steady() = 0;
    virtual void sleep(std::chrono::milliseconds duration) = 0;
};

class SystemDownloadClock final : public DownloadClock {
public:
    double now() override;
    std::chrono::milliseconds steady() override;
    void sleep(std::chrono::milliseconds duration) override;

    static SystemDownloadClock& instance();
};

} // namespace sw
