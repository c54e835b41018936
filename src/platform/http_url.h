#pragma once

// URL helpers of the HTTP transport, on libcurl's URL parser.

#include <optional>
#include <string>
#include <string_view>

namespace sw {

// Throws HttpTransportError (MalformedUrl, or UnsupportedScheme for anything but http and
// https) unless `url` is an absolute http(s) URL with a host.
void checkHttpUrl(const std::string& url);
// True when checkHttpUrl would accept `url`.
bool isHttpUrl(const std::string& url);

// The host part of an absolute URL; empty when it has none.
std::string urlHostName(const std::string& url);

// `reference` (a Location value: absolute, or relative as RFC 3986 5.2 resolves it) made
// absolute against `base`. Returns `reference` unchanged when it cannot be resolved.
std::string resolveUrlReference(const std::string& base, const std::string& reference);

// True when the authority of `url` holds a user name or password ("user:password@host").
bool urlHasCredentials(const std::string& url);
// `url` without its user name and password; unchanged when it has none or cannot be parsed.
std::string withoutUrlCredentials(const std::string& url);

// What a request for `url` carries, as the transport reads the address: the host it
// connects to and names in Host, the port, and the request target (path and query) of the
// request line. nullopt when the transport refuses the address.
struct HttpRequestTarget {
    std::string host;
    unsigned port = 0;
    std::string target;
};
std::optional<HttpRequestTarget> httpRequestTarget(const std::string& url);

// How the path is escaped before it is sent (WinHttpOpenRequest's escape flags).
struct HttpPathEscaping {
    bool disable = false;      // WINHTTP_FLAG_ESCAPE_DISABLE: send as given
    bool disableQuery = false; // WINHTTP_FLAG_ESCAPE_DISABLE_QUERY: leave the query alone
    bool percent = false;      // WINHTTP_FLAG_ESCAPE_PERCENT: escape '%' as well
};

// Percent-escapes (RFC 3986 2.1) the bytes that cannot travel in a request line: controls,
// space, '"', '<', '>' and every byte from 0x7F up.
std::string escapeHttpPath(std::string_view path, HttpPathEscaping escaping);

// `url` with its path and query escaped as escapeHttpPath does by default, and without its
// fragment: the address a request line can carry. The scheme and authority stay as given.
std::string escapeHttpUrl(const std::string& url);

} // namespace sw
