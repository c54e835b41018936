#include "download/number_format.h"

#include <langinfo.h>
#include <locale.h>

#include <cmath>
#include <cstdio>
#include <ctime>

namespace sw {

namespace {

// A pattern split into its literal text and the shape of its number.
struct Pattern {
    std::string prefix;
    std::string suffix;
    int minIntegerDigits = 0; // placeholders from the first '0' of the integer part on
    int minDecimals = 0;      // decimals up to the last '0' after the point
    int maxDecimals = 0;      // every placeholder after the point
    bool grouping = false;
};

bool isPlaceholder(char c) {
    return c == '0' || c == '#';
}

Pattern parsePattern(std::string_view text) {
    Pattern p;
    // The number runs from the first placeholder, point or comma to the last placeholder.
    std::size_t first = std::string_view::npos;
    std::size_t last = std::string_view::npos;
    char quote = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != 0) {
            if (c == quote)
                quote = 0;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            continue;
        }
        if (isPlaceholder(c) || ((c == '.' || c == ',') && first == std::string_view::npos)) {
            if (first == std::string_view::npos)
                first = i;
            if (isPlaceholder(c))
                last = i;
        }
    }
    auto copyLiteral = [](std::string_view part, std::string& into) {
        char q = 0;
        for (char c : part) {
            if (q != 0) {
                if (c == q)
                    q = 0;
                else
                    into += c;
            } else if (c == '\'' || c == '"') {
                q = c;
            } else {
                into += c;
            }
        }
    };
    if (first == std::string_view::npos || last == std::string_view::npos) {
        copyLiteral(text, p.prefix);
        return p;
    }
    copyLiteral(text.substr(0, first), p.prefix);
    copyLiteral(text.substr(last + 1), p.suffix);

    bool afterPoint = false;
    bool seenZero = false;
    int decimals = 0;
    for (std::size_t i = first; i <= last; ++i) {
        const char c = text[i];
        if (c == '.' && !afterPoint) {
            afterPoint = true;
        } else if (c == ',' && !afterPoint) {
            p.grouping = true;
        } else if (isPlaceholder(c)) {
            if (afterPoint) {
                ++decimals;
                if (c == '0')
                    p.minDecimals = decimals;
            } else {
                seenZero = seenZero || c == '0';
                if (seenZero)
                    ++p.minIntegerDigits;
            }
        }
    }
    p.maxDecimals = decimals;
    return p;
}

// |value| rounded half away from zero to `decimals` places, from its 15 significant
// decimal digits (a double's guaranteed precision), so 1.005 rounds to 1.01 as written.
void roundedDigits(double value, int decimals, std::string& integer, std::string& fraction) {
    integer.clear();
    fraction.assign(static_cast<std::size_t>(decimals), '0');
    if (value == 0)
        return;
    char text[40];
    std::snprintf(text, sizeof text, "%.14e", std::fabs(value));
    std::string digits;
    const char* p = text;
    for (; *p != 'e' && *p != '\0'; ++p)
        if (*p >= '0' && *p <= '9')
            digits += *p;
    const int exponent = *p == 'e' ? std::atoi(p + 1) : 0;
    int integerDigits = exponent + 1; // digits before the point; may be zero or negative

    const long keep = static_cast<long>(integerDigits) + decimals;
    if (keep < 0)
        return;
    if (keep < static_cast<long>(digits.size())) {
        const bool up = digits[static_cast<std::size_t>(keep)] >= '5';
        digits.resize(static_cast<std::size_t>(keep));
        if (up) {
            long i = keep - 1;
            for (; i >= 0; --i) {
                char& d = digits[static_cast<std::size_t>(i)];
                if (d == '9') {
                    d = '0';
                } else {
                    ++d;
                    break;
                }
            }
            if (i < 0) {
                digits.insert(digits.begin(), '1');
                ++integerDigits;
            }
        }
    }
    // Place the digits around the point.
    if (integerDigits > 0) {
        for (int i = 0; i < integerDigits; ++i)
            integer +=
                static_cast<std::size_t>(i) < digits.size() ? digits[static_cast<std::size_t>(i)] : '0';
    }
    for (int i = 0; i < decimals; ++i) {
        const long at = static_cast<long>(integerDigits) + i;
        fraction[static_cast<std::size_t>(i)] =
            at >= 0 && at < static_cast<long>(digits.size()) ? digits[static_cast<std::size_t>(at)] : '0';
    }
}

} // namespace

NumberFormatSettings NumberFormatSettings::fromLocale() {
    NumberFormatSettings settings;
    locale_t locale = newlocale(LC_NUMERIC_MASK | LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0))
        return settings;
    const std::string decimal = nl_langinfo_l(RADIXCHAR, locale);
    const std::string thousands = nl_langinfo_l(THOUSEP, locale);
    const std::string time = nl_langinfo_l(T_FMT, locale);
    freelocale(locale);
    if (!decimal.empty())
        settings.decimalSeparator = decimal;
    if (!thousands.empty() && thousands != settings.decimalSeparator)
        settings.thousandSeparator = thousands;
    else
        settings.thousandSeparator.assign(1, settings.decimalSeparator == "," ? '.' : ',');
    if (!time.empty())
        settings.longTimeFormat = time;
    return settings;
}

std::string formatFloat(double value, std::string_view patternText, const NumberFormatSettings& settings) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    const Pattern pattern = parsePattern(patternText);

    std::string integer;
    std::string fraction;
    roundedDigits(value, pattern.maxDecimals, integer, fraction);
    const bool negative = value < 0 && (integer.find_first_not_of('0') != std::string::npos ||
                                        fraction.find_first_not_of('0') != std::string::npos);

    const std::size_t significant = integer.find_first_not_of('0');
    integer = significant == std::string::npos ? std::string() : integer.substr(significant);
    if (integer.size() < static_cast<std::size_t>(pattern.minIntegerDigits))
        integer.insert(0, static_cast<std::size_t>(pattern.minIntegerDigits) - integer.size(), '0');
    while (fraction.size() > static_cast<std::size_t>(pattern.minDecimals) && fraction.back() == '0')
        fraction.pop_back();

    std::string result = negative ? "-" : "";
    result += pattern.prefix;
    for (std::size_t i = 0; i < integer.size(); ++i) {
        if (pattern.grouping && i > 0 && (integer.size() - i) % 3 == 0)
            result += settings.thousandSeparator;
        result += integer[i];
    }
    if (!fraction.empty()) {
        result += settings.decimalSeparator;
        result += fraction;
    }
    result += pattern.suffix;
    return result;
}

std::string formatTimeOfDay(double days, const NumberFormatSettings& settings) {
    if (!std::isfinite(days) || days < 0)
        days = 0;
    const double fractionOfDay = days - std::floor(days);
    long long seconds = std::llround(fractionOfDay * 86400.0);
    if (seconds >= 86400)
        seconds = 0;
    std::tm time{};
    time.tm_hour = static_cast<int>(seconds / 3600);
    time.tm_min = static_cast<int>(seconds / 60 % 60);
    time.tm_sec = static_cast<int>(seconds % 60);
    time.tm_mday = 1;
    time.tm_year = 100;
    char text[128];
    const std::size_t n = std::strftime(text, sizeof text, settings.longTimeFormat.c_str(), &time);
    return std::string(text, n);
}

} // namespace sw
