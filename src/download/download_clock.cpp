#include "download/download_clock.h"

#include <ctime>
#include <thread>

namespace sw {

namespace {
// 1970-01-01 as a TDateTime day number.
constexpr double kUnixEpochDays = 25569.0;
} // namespace

double SystemDownloadClock::now() {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(since).count();
    const std::time_t seconds = static_cast<std::time_t>(micros / 1000000);
    std::tm local{};
    localtime_r(&seconds, &local);
    const double localSeconds = static_cast<double>(micros) / 1e6 + static_cast<double>(local.tm_gmtoff);
    return kUnixEpochDays + localSeconds / 86400.0;
}

std::chrono::milliseconds SystemDownloadClock::steady() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

void SystemDownloadClock::sleep(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

SystemDownloadClock& SystemDownloadClock::instance() {
    static SystemDownloadClock clock;
    return clock;
}

} // namespace sw
