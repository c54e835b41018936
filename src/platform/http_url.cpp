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

} // namespace sw
