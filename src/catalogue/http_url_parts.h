#pragma once

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

// How the path is escaped before it is sent (WinHttpOpenRequest's escape flags).
struct HttpPathEscaping {
    bool disable = false;      // WINHTTP_FLAG_ESCAPE_DISABLE: send as given
    bool disableQuery = false; // WINHTTP_FLAG_ESCAPE_DISABLE_QUERY: leave the query alone
    bool percent = false;      // WINHTTP_FLAG_ESCAPE_PERCENT: escape '%' as well
};

// Percent-escapes (RFC 3986 2.1) the bytes that cannot travel in a request line: controls,
// space, '"', '<', '>' and every byte from 0x7F up.
std::string escapeHttpPath(const std::string& path, HttpPathEscaping escaping);

// "http://host:port/path" for the parts; `secure` forces https.
std::string joinHttpUrl(const HttpUrlParts& parts, bool secure, HttpPathEscaping escaping);

} // namespace sw
