#include "http/http_url_parts.h"

#include <cctype>

namespace sw {

namespace {

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

std::optional<HttpUrlParts> crackHttpUrl(const std::string& url) {
    const std::size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos)
        return std::nullopt;
    HttpUrlParts parts;
    const std::string scheme = lower(url.substr(0, schemeEnd));
    if (scheme == "http") {
        parts.scheme = HttpScheme::Http;
        parts.port = 80;
    } else if (scheme == "https") {
        parts.scheme = HttpScheme::Https;
        parts.port = 443;
    } else {
        return std::nullopt;
    }

    const std::size_t authorityStart = schemeEnd + 3;
    std::size_t authorityEnd = url.find_first_of("/?#", authorityStart);
    if (authorityEnd == std::string::npos)
        authorityEnd = url.size();
    std::string authority = url.substr(authorityStart, authorityEnd - authorityStart);
    if (const std::size_t at = authority.rfind('@'); at != std::string::npos)
        authority.erase(0, at + 1);

    std::string portText;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string::npos)
            return std::nullopt;
        parts.host = authority.substr(0, close + 1);
        const std::string rest = authority.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return std::nullopt;
            portText = rest.substr(1);
        }
    } else if (const std::size_t colon = authority.rfind(':'); colon != std::string::npos) {
        parts.host = authority.substr(0, colon);
        portText = authority.substr(colon + 1);
    } else {
        parts.host = authority;
    }
    // Leading zeros are allowed ("0080" is 80), as the transport reads a port.
    const std::size_t digits = portText.find_first_not_of('0');
    if (digits != std::string::npos && digits > 0)
        portText.erase(0, digits);
    if (parts.host.empty() || portText.size() > 5)
        return std::nullopt;
    if (!portText.empty()) {
        unsigned value = 0;
        for (char c : portText) {
            if (c < '0' || c > '9')
                return std::nullopt;
            value = value * 10 + static_cast<unsigned>(c - '0');
        }
        if (value == 0 || value > 65535)
            return std::nullopt;
        parts.port = static_cast<std::uint16_t>(value);
    }

    std::string path = url.substr(authorityEnd);
    if (const std::size_t hash = path.find('#'); hash != std::string::npos)
        path.erase(hash);
    parts.path = path;
    return parts;
}

std::string joinHttpUrl(const HttpUrlParts& parts, bool secure, HttpPathEscaping escaping) {
    std::string url = secure || parts.scheme == HttpScheme::Https ? "https://" : "http://";
    url += parts.host;
    url += ':';
    url += std::to_string(parts.port);
    const std::string path = escapeHttpPath(parts.path, escaping);
    if (path.empty() || path.front() != '/')
        url += '/';
    url += path;
    return url;
}

} // namespace sw
