#pragma once

// Number patterns as the program's labels use them ("###,###,##0.00 KB", "##0.00%", "00"):
//   0   a digit that is always shown;
//   #   a digit shown only when significant;
//   ,   anywhere in the integer part: group the integer digits by thousands;
//   .   the decimal separator; the value is rounded (half away from zero) to as many
//       decimals as placeholders follow it, '#' decimals dropping trailing zeros;
//   anything else, or text in single or double quotes, is copied as it stands.
// The separators come from the user's locale; tests pass their own.

#include <string>
#include <string_view>

namespace sw {

struct NumberFormatSettings {
    std::string thousandSeparator = ",";
    std::string decimalSeparator = ".";
    std::string longTimeFormat = "%H:%M:%S"; // strftime format of a time of day

    // The user's locale (LANG / LC_ALL / LC_NUMERIC / LC_TIME). A locale without a thousands
    // separator (C, POSIX) gets "," (or "." where the decimal separator is ",").
    static NumberFormatSettings fromLocale();
};

std::string formatFloat(double value, std::string_view pattern, const NumberFormatSettings& settings);

// A time of day, given as a fraction of a day (whole days are dropped), in the settings'
// long time format.
std::string formatTimeOfDay(double days, const NumberFormatSettings& settings);

} // namespace sw
