#pragma once

#include "platform/http_url.h"

#include <cstdint>
#include <optional>
#include <string>

namespace sw {

// WinHTTP's scheme numbers (INTERNET_SCHEME_HTTP, INTERNET_SCHEME_HTTPS).
enum class HttpScheme : int { Http = 1, Https = 2 };

// A URL split the way WinHttpCrackUrl splits it when asked for the scheme, the host name
// and the URL path only: the path keeps the query ("?..."), user name and password are
// dropped, the port is the given one or the scheme's default.
struct HttpUrlParts {
    HttpScheme scheme = HttpScheme::Http;
    std::string host;
    std::uint16_t port = 80;
    std::string path;
};

// nullopt when the scheme is not http or https (any letter case), the host is empty or
// the port is not a number from 1 to 65535. The fragment ("#...") is never part of the path.
std::optional<HttpUrlParts> crackHttpUrl(const std::string& url);

// "http://host:port/path" for the parts; `secure` forces https.
std::string joinHttpUrl(const HttpUrlParts& parts, bool secure, HttpPathEscaping escaping);

} // namespace sw
