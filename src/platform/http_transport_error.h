#pragma once

#include <stdexcept>
#include <string>

namespace sw {

// What went wrong below HTTP, in the categories callers map onto their own error codes
// (the HTTP client reports the text; the resumable downloader turns the kind into the
// WinINet code its error table knows).
enum class HttpFailure {
    MalformedUrl,         // the URL could not be parsed
    UnsupportedScheme,    // neither http nor https
    Resolve,              // the host name (or the proxy's) could not be resolved
    Connect,              // no connection could be made
    Timeout,              // connect, send or receive time-out, or the caller's idle limit
    Reset,                // the connection broke while sending or receiving
    Aborted,              // the caller's wait callback asked to stop
    BadResponse,          // the answer was not HTTP/1.x: a garbage status line, HTTP/0.9, a head too large
    EmptyReply,           // the server closed without answering
    PartialBody,          // the connection closed before the announced Content-Length
    RedirectFailed,       // more redirects than allowed, or one to another scheme or with credentials
    Tls,                  // the TLS handshake failed
    CertificateAuthority, // the server's certificate does not lead to a trusted authority
    CertificateDate,      // ...has expired or is not yet valid
    CertificateName,      // ...names another host
    Other,
};

// A transport failure. what() describes it for the log and for tests; the program's users read
// their own component's texts (WinHTTP's, WinINet's), chosen by failure().
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
