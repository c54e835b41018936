#include "liveries/config_sections.h"

namespace sw::liveries {

namespace {

const std::string kHeaderStart = "[fltsim.";
const std::string kVariationKey = "ui_variation=";
const std::string kTextureKey = "texture=";
const std::string kByteOrderMark = "\xEF\xBB\xBF";

// The text after `keyAt` + key up to the next CR (to the end when there is none).
std::string valueAt(const std::string& text, std::size_t keyAt, std::size_t keyLength) {
    const std::size_t start = keyAt + keyLength;
    const std::size_t cr = text.find('\r', start);
    return text.substr(start, (cr == std::string::npos ? text.size() : cr) - start);
}

// The start of the line after the one starting at `lineStart` (the text's size for the last).
std::size_t nextLine(const std::string& text, std::size_t lineStart) {
    const std::size_t lf = text.find('\n', lineStart);
    return lf == std::string::npos ? text.size() : lf + 1;
}

// One past the line's last character before its line end (CR LF or LF).
std::size_t contentEnd(const std::string& text, std::size_t lineStart) {
    std::size_t end = nextLine(text, lineStart);
    if (end > lineStart && text[end - 1] == '\n') {
        --end;
        if (end > lineStart && text[end - 1] == '\r')
            --end;
    }
    return end;
}

// The first character of the line after a leading byte-order mark and blanks.
std::size_t firstVisible(const std::string& text, std::size_t lineStart) {
    std::size_t at = lineStart;
    if (at == 0 && text.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0)
        at = kByteOrderMark.size();
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    return at;
}

bool opensSection(const std::string& text, std::size_t lineStart) {
    const std::size_t at = firstVisible(text, lineStart);
    return at < text.size() && text[at] == '[';
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Where the section whose header line starts at `lineStart` ends: the start of the next line
// that opens a section, or the end of the text.
std::size_t sectionLimit(const std::string& text, std::size_t lineStart) {
    std::size_t at = nextLine(text, lineStart);
    while (at < text.size() && !opensSection(text, at))
        at = nextLine(text, at);
    return at;
}

// The position of `key` in the section [from, limit); npos when it is not there.
std::size_t findIn(const std::string& text, const std::string& key, std::size_t from, std::size_t limit) {
    const std::size_t at = text.find(key, from);
    return at < limit ? at : std::string::npos;
}

// The header's number text: between "[fltsim." and the first ']' of its line. Empty (with
// `close` npos) when the line has no ']'.
std::string headerNumber(const std::string& text, std::size_t header, std::size_t lineStart,
                         std::size_t& close) {
    const std::size_t start = header + kHeaderStart.size();
    close = text.find(']', start);
    if (close != std::string::npos && close >= contentEnd(text, lineStart))
        close = std::string::npos;
    return close == std::string::npos ? std::string() : text.substr(start, close - start);
}

} // namespace

std::size_t headerAt(const std::string& configText, std::size_t lineStart) {
    const std::size_t at = firstVisible(configText, lineStart);
    if (configText.size() - at < kHeaderStart.size())
        return std::string::npos;
    for (std::size_t i = 0; i < kHeaderStart.size(); ++i) {
        if (lower(configText[at + i]) != kHeaderStart[i])
            return std::string::npos;
    }
    return at;
}

int countSections(const std::string& configText) {
    int count = 0;
    for (std::size_t line = 0; line < configText.size(); line = nextLine(configText, line)) {
        if (headerAt(configText, line) != std::string::npos)
            ++count;
    }
    return count;
}

void insertSection(std::string& configText, const std::string& descriptorText) {
    // The first line that opens with "[General]"; the end of the text when there is none.
    std::size_t general = configText.size();
    for (std::size_t line = 0; line < configText.size(); line = nextLine(configText, line)) {
        if (configText.compare(firstVisible(configText, line), 9, "[General]") == 0) {
            general = line;
            break;
        }
    }
    // In front of the CR LF that ends the line before it; never inside a byte-order mark.
    const std::size_t mark =
        configText.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0 ? kByteOrderMark.size() : 0;
    const std::size_t at = general >= mark + 2 ? general - 2 : mark;
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
    const std::string wanted = std::to_string(index);
    std::size_t begin = std::string::npos;
    for (std::size_t line = 0; line < configText.size(); line = nextLine(configText, line)) {
        const std::size_t header = headerAt(configText, line);
        std::size_t close = std::string::npos;
        if (header != std::string::npos && headerNumber(configText, header, line, close) == wanted &&
            close != std::string::npos) {
            begin = line;
            // A byte-order mark at the start of the file stays there.
            if (line == 0 && configText.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0)
                begin = kByteOrderMark.size();
            break;
        }
    }
    if (begin == std::string::npos)
        return std::nullopt;
    const std::size_t limit = sectionLimit(configText, begin);
    const std::size_t texture = findIn(configText, kTextureKey, begin + 1, limit);
    const std::size_t description = findIn(configText, "description=", begin + 1, limit);
    const std::size_t variation = findIn(configText, kVariationKey, begin + 1, limit);
    if (texture == std::string::npos || description == std::string::npos || variation == std::string::npos ||
        description < texture)
        return std::nullopt;

    // The section ends with its last non-empty line, whatever keys follow "description=".
    std::size_t end = begin;
    for (std::size_t line = begin; line < limit; line = nextLine(configText, line)) {
        if (contentEnd(configText, line) > line)
            end = nextLine(configText, line);
    }
    SectionSpan span;
    span.begin = begin;
    span.end = end;
    // The empty line after the section goes too, but never a character of the next line.
    if (end < limit && configText.compare(end, 2, "\r\n") == 0)
        span.end += 2;
    span.textureName = valueAt(configText, texture, kTextureKey.size());
    span.variation = valueAt(configText, variation, kVariationKey.size());
    return span;
}

std::vector<std::string> sectionTextures(const std::string& configText) {
    std::vector<std::string> values;
    for (std::size_t line = 0; line < configText.size(); line = nextLine(configText, line)) {
        if (headerAt(configText, line) == std::string::npos)
            continue;
        const std::size_t texture = findIn(configText, kTextureKey, line + 1, sectionLimit(configText, line));
        if (texture != std::string::npos)
            values.push_back(valueAt(configText, texture, kTextureKey.size()));
    }
    return values;
}

void renumberSections(std::string& configText) {
    int number = 0;
    for (std::size_t line = 0; line < configText.size(); line = nextLine(configText, line)) {
        const std::size_t header = headerAt(configText, line);
        if (header == std::string::npos)
            continue;
        std::size_t close = std::string::npos;
        headerNumber(configText, header, line, close);
        if (close != std::string::npos) {
            const std::size_t start = header + kHeaderStart.size();
            configText.replace(start, close - start, std::to_string(number));
        }
        ++number;
    }
}

} // namespace sw::liveries
