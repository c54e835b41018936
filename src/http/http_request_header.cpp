#include "http/http_request_header.h"

#include <stdexcept>

namespace sw {

namespace {

const char* const kFieldNames[] = {
#define SW_AL_FIELD_NAME(name, text) text,
    SW_AL_HTTP_REQUEST_FIELDS(SW_AL_FIELD_NAME)
#undef SW_AL_FIELD_NAME
};
static_assert(sizeof kFieldNames / sizeof kFieldNames[0] == TALHTTPRequestHeader::kFieldCount);
static_assert(TALHTTPRequestHeader::kFieldCount == 38);

// Surrounding blanks and control characters go; a CR or LF inside would end the line
// early and let the value smuggle in a header of its own, so each becomes a space.
std::string clean(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ')
        --last;
    std::string result = text.substr(first, last - first);
    for (char& c : result)
        if (c == '\r' || c == '\n')
            c = ' ';
    return result;
}

} // namespace

TALHTTPRequestHeader::TALHTTPRequestHeader() {
    m_fields[kAccept] = kDefaultAccept;
    m_fields[kUserAgent] = kDefaultUserAgent;
}

const char* TALHTTPRequestHeader::fieldName(int index) {
    if (index < 0 || index >= kFieldCount)
        throw std::out_of_range("request header field index out of range");
    return kFieldNames[index];
}

const std::string& TALHTTPRequestHeader::field(int index) const {
    fieldName(index); // range check
    return m_fields[index];
}

void TALHTTPRequestHeader::setField(int index, const std::string& value) {
    fieldName(index);
    if (m_fields[index] == value)
        return;
    m_fields[index] = value;
    changed(index);
}

void TALHTTPRequestHeader::setCustomHeaders(const std::vector<std::string>& lines) {
    if (m_customHeaders == lines)
        return;
    m_customHeaders = lines;
    changed(kCustomHeadersIndex);
}

void TALHTTPRequestHeader::setCookies(const std::vector<std::string>& lines) {
    if (m_cookies == lines)
        return;
    m_cookies = lines;
    changed(kCookiesIndex);
}

void TALHTTPRequestHeader::clear() {
    for (std::string& f : m_fields)
        f.clear();
    m_customHeaders.clear();
    m_cookies.clear();
    changed(-1);
}

std::vector<std::string> TALHTTPRequestHeader::rawHeaderLines() const {
    std::vector<std::string> lines;
    for (int i = 0; i < kFieldCount; ++i) {
        const std::string value = clean(m_fields[i]);
        if (!value.empty())
            lines.push_back(std::string(kFieldNames[i]) + ": " + value);
    }
    for (const std::string& line : m_customHeaders) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        const std::string name = clean(line.substr(0, colon));
        const std::string value = clean(line.substr(colon + 1));
        if (!name.empty() && !value.empty())
            lines.push_back(name + ": " + value);
    }
    std::string cookies;
    for (const std::string& line : m_cookies) {
        const std::string cookie = clean(line);
        if (cookie.empty())
            continue;
        if (!cookies.empty())
            cookies += "; ";
        cookies += cookie;
    }
    if (!cookies.empty())
        lines.push_back("Cookie: " + cookies);
    return lines;
}

std::string TALHTTPRequestHeader::rawHeaderText() const {
    std::string text;
    for (const std::string& line : rawHeaderLines())
        text += line + "\r\n";
    return text;
}

void TALHTTPRequestHeader::changed(int index) {
    if (OnChange)
        OnChange(*this, index);
}

} // namespace sw
