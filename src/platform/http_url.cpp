#include "platform/http_url.h"

#include "platform/http_session_core.h"
#include "platform/http_transport_error.h"

#include <cctype>
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
    UrlHandle handle = newUrl();
    if (curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        throw HttpTransportError::fromCurlCode(CURLE_URL_MALFORMAT);
    std::string scheme = part(handle.get(), CURLUPART_SCHEME);
    for (char& c : scheme)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (scheme != "http" && scheme != "https")
        throw HttpTransportError::fromCurlCode(CURLE_UNSUPPORTED_PROTOCOL);
    if (part(handle.get(), CURLUPART_HOST).empty())
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
