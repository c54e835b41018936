#pragma once

// URL helpers of the HTTP transport, on libcurl's URL parser.

#include <string>

namespace sw {

// Throws HttpTransportError (MalformedUrl, or UnsupportedScheme for anything but http and
// https) unless `url` is an absolute http(s) URL with a host.
void checkHttpUrl(const std::string& url);

// The host part of an absolute URL; empty when it has none.
std::string urlHostName(const std::string& url);

// `reference` (a Location value: absolute, or relative as RFC 3986 5.2 resolves it) made
// absolute against `base`. Returns `reference` unchanged when it cannot be resolved.
std::string resolveUrlReference(const std::string& base, const std::string& reference);

} // namespace sw
