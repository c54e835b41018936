#include "download/progress_captions.h"

#include <cmath>

namespace sw {

namespace {

double percentOf(double part, std::int64_t whole) {
    return whole > 0 ? part / static_cast<double>(whole) * 100.0 : 0.0;
}

} // namespace

std::string totalCaption(std::int64_t size, const NumberFormatSettings& settings) {
    return formatFloat(static_cast<double>(size) / 1024.0, "###,###,##0.00 KB", settings);
}

std::string receivedCaption(std::int64_t position, std::int64_t size, const NumberFormatSettings& settings) {
    const double present = static_cast<double>(position);
    return formatFloat(present / 1024.0, "###,###,##0.00 KB", settings) + " (" +
           formatFloat(percentOf(present, size), "##0.00%", settings) + ")";
}

std::string remainingCaption(std::int64_t position, std::int64_t size, const NumberFormatSettings& settings) {
    const double missing = static_cast<double>(size - position);
    return formatFloat(missing / 1024.0, "##,###,##0.00", settings) + " KB (" +
           formatFloat(percentOf(missing, size), "##,###,##0.00", settings) + "%)";
}

std::string remainingTimeCaption(double seconds, const NumberFormatSettings& settings) {
    const double whole = std::isfinite(seconds) && seconds > 0 ? std::floor(seconds) : 0.0;
    const double hours = std::floor(whole / 3600.0);
    const double minutes = std::floor(std::fmod(whole, 3600.0) / 60.0);
    const double secs = std::fmod(whole, 60.0);
    return formatFloat(hours, "00", settings) + ":" + formatFloat(minutes, "00", settings) + ":" +
           formatFloat(secs, "00", settings) + " s";
}

std::string rateCaption(double kilobytesPerSecond, const NumberFormatSettings& settings) {
    return formatFloat(kilobytesPerSecond, "0.00 KB/s", settings);
}

} // namespace sw
