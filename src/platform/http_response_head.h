#pragma once

// The status line and header fields of an HTTP/1.x response (RFC 7230 3.1.2, 3.2), as the
// transport collects them line by line.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sw {

struct HttpHeaderField {
    std::string name;
    std::string value;
};

struct HttpResponseHead {
    int status = 0;
    std::string reason; // the reason phrase as sent, may be empty
    std::string raw;    // status line and header lines, each ending in CR LF
    std::vector<HttpHeaderField> fields;
};

// "HTTP/1.1 404 Not Found" -> 404 and "Not Found"; false unless `line` is a status line.
bool parseHttpStatusLine(std::string_view line, int& status, std::string& reason);

// Adds one header line (without its line end) to `head`: a field, or the continuation of
// the previous one (obsolete line folding, RFC 7230 3.2.4). Lines without a colon are kept
// in the raw text only.
void addHttpHeaderLine(HttpResponseHead& head, std::string_view line);

// Field names compare without regard to case (RFC 7230 3.2).
bool httpNameEquals(std::string_view a, std::string_view b);
const HttpHeaderField* findHttpHeader(const std::vector<HttpHeaderField>& fields, std::string_view name);
// True when one of the "Name: value" lines names `name`.
bool hasHttpHeaderLine(const std::vector<std::string>& lines, std::string_view name);

// A Content-Length value: digits only, at most 18 of them (fits 63 bits); else nullopt.
std::optional<std::int64_t> parseHttpContentLength(std::string_view text);

} // namespace sw
