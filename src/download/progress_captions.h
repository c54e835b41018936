#pragma once

// The captions of the downloader's labels, built from byte counts and times with the
// number patterns of number_format.h.

#include "download/number_format.h"

#include <cstdint>
#include <string>

namespace sw {

// "1,024.00 KB"
std::string totalCaption(std::int64_t size, const NumberFormatSettings& settings);
// "1,024.00 KB (50.00%)": the bytes present and their share of `size`.
std::string receivedCaption(std::int64_t position, std::int64_t size, const NumberFormatSettings& settings);
// "1,024.00 KB (50.00%)": the bytes still missing and their share.
std::string remainingCaption(std::int64_t position, std::int64_t size, const NumberFormatSettings& settings);
// "01:02:05 s" for 3,725 seconds; the hours keep counting past a day.
std::string remainingTimeCaption(double seconds, const NumberFormatSettings& settings);
// "12.50 KB/s"
std::string rateCaption(double kilobytesPerSecond, const NumberFormatSettings& settings);

} // namespace sw
