#pragma once

// One HTTP request of an HttpSession (see http_session.h for the overall use). The steps
// follow WinHTTP's and WinINet's: construct (open the request), send() the body in pieces
// if there is one (WinHttpWriteData), receiveResponse() (the status line and headers),
// then read() the body in blocks until it returns 0.

#include "platform/http_response_head.h"
#include "platform/http_session.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sw {

enum class HttpVersion { Http10, Http11 };

struct HttpRequestSettings {
    std::string method = "GET"; // "GET", "HEAD", "POST" (any other verb is sent as given)
    std::string url{};          // http:// or https://
    HttpVersion version = HttpVersion::Http11;
    // "Name: value" lines, sent as given. A line replaces libcurl's own header of that
    // name; "Name:" removes it. libcurl's default Accept, Expect and Content-Type are
    // never sent unless given here, so the request carries what the caller built.
    std::vector<std::string> headers{};
    std::int64_t bodyLength = 0; // bytes the caller will send(); POST sends Content-Length
    // Zero means none. The connect time-out is libcurl's; send and receive time-outs
    // limit the time without any byte moving while the request waits to send or receive.
    std::chrono::milliseconds connectTimeout{0};
    std::chrono::milliseconds sendTimeout{0};
    std::chrono::milliseconds receiveTimeout{0};
    bool keepAlive = true;       // false: the connection is closed after this request
    bool cookies = true;         // keep and send the session's cookies
    bool followRedirects = true; // 3xx with Location is followed (and notified)
    long maxRedirects = 10;
    std::string proxyUserName{}; // used only when not empty
    std::string proxyPassword{};
};

class HttpRequest {
public:
    // Validates the URL (HttpFailure::MalformedUrl / UnsupportedScheme) and starts the
    // request; nothing goes out before the first send(), receiveResponse() or read().
    HttpRequest(HttpSession& session, HttpRequestSettings settings);
    ~HttpRequest();
    HttpRequest(const HttpRequest&) = delete;
    HttpRequest& operator=(const HttpRequest&) = delete;

    // While any step waits for the network, `callback` runs at least every `interval`
    // (a message pump, a stop check). Returning false fails the request with
    // HttpFailure::Aborted; an exception from it passes through the step.
    void setWaitCallback(std::function<bool()> callback, std::chrono::milliseconds interval);

    // Sends the next piece of the body; returns once libcurl has taken all of it. If the
    // server answers before the body is complete, the rest is dropped.
    void send(std::string_view data);

    // Waits for the final response's status line and headers (interim 1xx answers and
    // followed redirects are skipped). Throws HttpTransportError on a transport failure.
    void receiveResponse();

    int statusCode() const;
    const std::string& reasonPhrase() const; // as the server sent it, may be empty
    // The status line and header lines, each ending in CR LF, then an empty line.
    const std::string& rawHeaders() const;
    const std::vector<HttpHeaderField>& headers() const;
    std::optional<std::string> header(std::string_view name) const; // first, case-insensitive
    // Content-Length when present and valid (digits only, fits 63 bits).
    std::optional<std::int64_t> contentLength() const;
    // The URL the final response came from (after redirects).
    std::string effectiveUrl() const;

    // Reads up to `size` body bytes; returns 0 at the end of the body. A connection that
    // closes before the announced Content-Length fails with HttpFailure::PartialBody once
    // every byte that did arrive has been read.
    std::size_t read(char* buffer, std::size_t size);

    struct State;

private:
    std::unique_ptr<State> m_state;
};

} // namespace sw
