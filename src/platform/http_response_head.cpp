#include "platform/http_response_head.h"

#include <algorithm>
#include <cctype>

namespace sw {

namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() &&
           (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

} // namespace

bool parseHttpStatusLine(std::string_view line, int& status, std::string& reason) {
    if (line.substr(0, 5) != "HTTP/")
        return false;
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos || line.size() < space + 4)
        return false;
    if (line.size() > space + 4 && line[space + 4] != ' ')
        return false;
    int code = 0;
    for (std::size_t i = space + 1; i < space + 4; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return false;
        code = code * 10 + (line[i] - '0');
    }
    status = code;
    reason = line.size() > space + 4 ? std::string(trim(line.substr(space + 4))) : std::string();
    return true;
}

void addHttpHeaderLine(HttpResponseHead& head, std::string_view line) {
    head.raw.append(line).append("\r\n");
    if (line.empty())
        return;
    if ((line.front() == ' ' || line.front() == '\t') && !head.fields.empty()) {
        head.fields.back().value += ' ';
        head.fields.back().value += trim(line);
        return;
    }
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos)
        head.fields.push_back(
            {std::string(trim(line.substr(0, colon))), std::string(trim(line.substr(colon + 1)))});
}

bool httpNameEquals(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

const HttpHeaderField* findHttpHeader(const std::vector<HttpHeaderField>& fields, std::string_view name) {
    for (const HttpHeaderField& f : fields)
        if (httpNameEquals(f.name, name))
            return &f;
    return nullptr;
}

bool hasHttpHeaderLine(const std::vector<std::string>& lines, std::string_view name) {
    for (const std::string& line : lines) {
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && httpNameEquals(trim(std::string_view(line).substr(0, colon)), name))
            return true;
    }
    return false;
}

std::optional<std::int64_t> parseHttpContentLength(std::string_view text) {
    text = trim(text);
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace sw
