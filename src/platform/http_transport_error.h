#pragma once

#include <stdexcept>
#include <string>

namespace sw {

// What went wrong below HTTP, in the categories callers map onto their own error codes
// (the HTTP client reports the text; the resumable downloader turns the kind into the
// WinINet code its error table knows).
enum class HttpFailure {
    MalformedUrl,      // the URL could not be parsed
    UnsupportedScheme, // neither http nor https
    Resolve,           // the host name (or the proxy's) could not be resolved
    Connect,           // no connection could be made
    Timeout,           // connect, send or receive time-out, or the caller's idle limit
    Reset,             // the connection broke while sending or receiving
    Aborted,           // the caller's wait callback asked to stop
    BadResponse,       // the answer was not HTTP/1.x
    EmptyReply,        // the server closed without answering
    PartialBody,       // the connection closed before the announced Content-Length
    TooManyRedirects,  // more redirects than allowed
    Tls,               // certificate or TLS handshake failure
    Other,
};

// A transport failure: what() is libcurl's description of the failure.
class HttpTransportError : public std::runtime_error {
public:
    HttpTransportError(HttpFailure failure, int curlCode, const std::string& text)
        : std::runtime_error(text), m_failure(failure), m_curlCode(curlCode) {}

    // Builds the error of a libcurl result code (CURLcode) with libcurl's own text.
    static HttpTransportError fromCurlCode(int curlCode);

    HttpFailure failure() const { return m_failure; }
    int curlCode() const { return m_curlCode; }

private:
    HttpFailure m_failure;
    int m_curlCode;
};

} // namespace sw
