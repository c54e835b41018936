#include "platform/http_url.h"

#include "platform/http_session_core.h"
#include "platform/http_transport_error.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>

namespace sw {

namespace {

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

struct CurlStringDeleter {
    void operator()(char* text) const { curl_free(text); }
};
using CurlString = std::unique_ptr<char, CurlStringDeleter>;

UrlHandle newUrl() {
    detail::ensureCurlInitialised();
    UrlHandle url(curl_url());
    if (!url)
        throw std::bad_alloc();
    return url;
}

std::string part(CURLU* url, CURLUPart which) {
    char* text = nullptr;
    if (curl_url_get(url, which, &text, 0) != CURLUE_OK)
        return {};
    CurlString owned(text);
    return owned.get();
}

bool needsEscape(unsigned char c, bool percent) {
    return c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || (percent && c == '%');
}

// Where the authority of an absolute URL ends (the first '/', '?' or '#' after "://"), or
// npos when `url` has no "://".
std::size_t authorityEnd(const std::string& url) {
    const std::size_t scheme = url.find("://");
    if (scheme == std::string::npos)
        return std::string::npos;
    const std::size_t end = url.find_first_of("/?#", scheme + 3);
    return end == std::string::npos ? url.size() : end;
}

} // namespace

void checkHttpUrl(const std::string& url) {
    // The parser reads a C string: a NUL byte would cut the address short, and the request
    // would go to another host or path than the one asked for.
    if (url.find('\0') != std::string::npos)
        throw HttpTransportError::fromCurlCode(CURLE_URL_MALFORMAT);
    UrlHandle handle = newUrl();
    if (curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        throw HttpTransportError::fromCurlCode(CURLE_URL_MALFORMAT);
    std::string scheme = part(handle.get(), CURLUPART_SCHEME);
    for (char& c : scheme)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (scheme != "http" && scheme != "https")
        throw HttpTransportError::fromCurlCode(CURLE_UNSUPPORTED_PROTOCOL);
    // The host as the request names it, escapes decoded: never empty, never a control byte.
    const std::string host = part(handle.get(), CURLUPART_HOST);
    if (host.empty() || std::any_of(host.begin(), host.end(), [](char c) {
            return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F;
        }))
        throw HttpTransportError::fromCurlCode(CURLE_URL_MALFORMAT);
    // Port 0 reaches no server; the parser takes it.
    const std::string port = part(handle.get(), CURLUPART_PORT);
    if (!port.empty() && std::strtoul(port.c_str(), nullptr, 10) == 0)
        throw HttpTransportError::fromCurlCode(CURLE_URL_MALFORMAT);
    // The parser also takes "http:/host" and "http:///host"; an address names its host right
    // after "://", as the catalogue's client reads it.
    const std::size_t schemeEnd = url.find(':');
    if (schemeEnd == std::string::npos || url.compare(schemeEnd, 3, "://") != 0 ||
        schemeEnd + 3 >= url.size() ||
        std::string_view("/?#").find(url[schemeEnd + 3]) != std::string_view::npos)
        throw HttpTransportError::fromCurlCode(CURLE_URL_MALFORMAT);
}

bool isHttpUrl(const std::string& url) {
    try {
        checkHttpUrl(url);
        return true;
    } catch (const HttpTransportError&) {
        return false;
    }
}

std::string urlHostName(const std::string& url) {
    UrlHandle handle = newUrl();
    if (curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return {};
    return part(handle.get(), CURLUPART_HOST);
}

std::string resolveUrlReference(const std::string& base, const std::string& reference) {
    UrlHandle handle = newUrl();
    if (curl_url_set(handle.get(), CURLUPART_URL, base.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return reference;
    if (curl_url_set(handle.get(), CURLUPART_URL, reference.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return reference;
    const std::string resolved = part(handle.get(), CURLUPART_URL);
    return resolved.empty() ? reference : resolved;
}

bool urlHasCredentials(const std::string& url) {
    const std::size_t end = authorityEnd(url);
    if (end == std::string::npos)
        return false;
    const std::size_t start = url.find("://") + 3;
    return url.find('@', start) < end;
}

std::string withoutUrlCredentials(const std::string& url) {
    if (!urlHasCredentials(url))
        return url;
    const std::size_t start = url.find("://") + 3;
    const std::size_t at = url.rfind('@', authorityEnd(url) - 1);
    return url.substr(0, start) + url.substr(at + 1);
}

std::optional<HttpRequestTarget> httpRequestTarget(const std::string& url) {
    const std::string address = withoutUrlCredentials(url);
    if (!isHttpUrl(address))
        return std::nullopt;
    UrlHandle handle = newUrl();
    if (curl_url_set(handle.get(), CURLUPART_URL, address.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return std::nullopt;
    HttpRequestTarget result;
    result.host = part(handle.get(), CURLUPART_HOST);
    char* port = nullptr;
    if (curl_url_get(handle.get(), CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK) {
        CurlString owned(port);
        result.port = static_cast<unsigned>(std::strtoul(owned.get(), nullptr, 10));
    }
    result.target = part(handle.get(), CURLUPART_PATH);
    char* query = nullptr;
    if (curl_url_get(handle.get(), CURLUPART_QUERY, &query, 0) == CURLUE_OK) {
        CurlString owned(query);
        result.target += '?';
        result.target += owned.get();
    }
    return result;
}

std::string escapeHttpPath(std::string_view path, HttpPathEscaping escaping) {
    if (escaping.disable)
        return std::string(path);
    static const char kHex[] = "0123456789ABCDEF";
    std::string result;
    bool inQuery = false;
    for (char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '?')
            inQuery = true;
        if ((inQuery && escaping.disableQuery) || !needsEscape(c, escaping.percent)) {
            result += ch;
            continue;
        }
        result += '%';
        result += kHex[c >> 4];
        result += kHex[c & 0x0F];
    }
    return result;
}

std::string escapeHttpUrl(const std::string& url) {
    const std::size_t end = authorityEnd(url);
    if (end == std::string::npos)
        return url;
    std::string_view rest(url);
    rest = rest.substr(end);
    rest = rest.substr(0, rest.find('#'));
    return url.substr(0, end) + escapeHttpPath(rest, {});
}

} // namespace sw
