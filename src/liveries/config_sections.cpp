#include "liveries/config_sections.h"

#include <algorithm>

namespace sw::liveries {

namespace {

const std::string kHeaderStart = "[fltsim.";
const std::string kVariationKey = "ui_variation=";

// The text after `keyAt` + key up to the next CR (to the end when there is none).
std::string valueAt(const std::string& text, std::size_t keyAt, std::size_t keyLength) {
    const std::size_t start = keyAt + keyLength;
    const std::size_t cr = text.find('\r', start);
    return text.substr(start, (cr == std::string::npos ? text.size() : cr) - start);
}

} // namespace

int countSections(const std::string& configText) {
    int count = 0;
    for (std::size_t at = configText.find(kHeaderStart); at != std::string::npos;
         at = configText.find(kHeaderStart, at + kHeaderStart.size()))
        ++count;
    return count;
}

void insertSection(std::string& configText, const std::string& descriptorText) {
    const std::size_t general = configText.find("[General]");
    const std::size_t at = (general == std::string::npos || general < 2) ? 0 : general - 2;
    configText.insert(at, "\r\n\r\n" + descriptorText);
}

std::vector<std::string> variations(const std::string& configText) {
    std::vector<std::string> values;
    for (std::size_t at = configText.find(kVariationKey); at != std::string::npos;
         at = configText.find(kVariationKey, at + kVariationKey.size()))
        values.push_back(valueAt(configText, at, kVariationKey.size()));
    return values;
}

std::optional<SectionSpan> locateSection(const std::string& configText, int index) {
    if (index < 0)
        return std::nullopt;
    const std::string header = kHeaderStart + std::to_string(index) + "]";
    const std::size_t begin = configText.find(header);
    if (begin == std::string::npos)
        return std::nullopt;
    // The section ends where the next line starts with '[' (the next section or [General]).
    const std::size_t nextHeader = configText.find("\n[", begin + 1);
    const std::size_t limit = nextHeader == std::string::npos ? configText.size() : nextHeader;
    const auto findIn = [&](const std::string& key) {
        const std::size_t at = configText.find(key, begin + 1);
        return at < limit ? at : std::string::npos;
    };
    const std::size_t texture = findIn("texture=");
    const std::size_t description = findIn("description=");
    const std::size_t variation = findIn(kVariationKey);
    if (texture == std::string::npos || description == std::string::npos || variation == std::string::npos ||
        description < texture)
        return std::nullopt;
    const std::size_t lf = configText.find('\n', description);
    if (lf == std::string::npos || lf > limit)
        return std::nullopt;

    SectionSpan span;
    span.begin = begin;
    span.end = lf + 1;
    // The empty line after the section goes too, but never a character of the next line.
    if (configText.compare(span.end, 2, "\r\n") == 0)
        span.end += 2;
    span.textureName = valueAt(configText, texture, std::string("texture=").size());
    span.variation = valueAt(configText, variation, kVariationKey.size());
    return span;
}

void renumberSections(std::string& configText) {
    int number = 0;
    std::size_t at = configText.find(kHeaderStart);
    while (at != std::string::npos) {
        const std::size_t start = at + kHeaderStart.size();
        const std::size_t close = configText.find(']', start);
        const std::size_t lineEnd = std::min(configText.find('\r', start), configText.find('\n', start));
        std::size_t next = start;
        if (close != std::string::npos && close <= lineEnd) {
            const std::string digits = std::to_string(number);
            configText.replace(start, close - start, digits);
            next = start + digits.size();
        }
        ++number;
        at = configText.find(kHeaderStart, next);
    }
}

} // namespace sw::liveries
