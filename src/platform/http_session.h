#pragma once

// The HTTP transport: a small layer over libcurl that offers what the program's two HTTP
// users expect from the Windows interfaces they were written against (WinHTTP for the
// catalogue client, WinINet for the resumable downloader).
//
//   HttpSession session({HttpProxyMode::None});        // like WinHttpOpen/InternetOpen
//   HttpRequest request(session, {.method = "HEAD", .url = url});
//   request.receiveResponse();                          // status line and headers
//   request.statusCode(); request.contentLength();      // nullopt without Content-Length
//
//   HttpRequest get(session, {.url = url, .headers = {"Range: bytes=524288-"}});
//   get.setWaitCallback(pump, std::chrono::milliseconds(100)); // runs while waiting
//   while (std::size_t n = get.read(buffer, sizeof buffer)) ...  // 0 at the end
//
// A session keeps its connections open between requests (one per host and port, reused
// while the server keeps it alive) until close() or destruction, like a WinHTTP session
// and connection. Requests of one session run one at a time, on the calling thread. Every
// transport failure is thrown as HttpTransportError, whose kind the callers map onto their
// WinINet/WinHTTP error codes and texts.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace sw {

// WinHTTP's status notification numbers (winhttp.h, WINHTTP_CALLBACK_STATUS_*). The
// transport raises those libcurl lets it observe:
//   kResolvingName     before a host name is looked up (information: the host name);
//   kNameResolved      an address was found (information: the address);
//   kConnectingToServer, kConnectedToServer   a new connection (information: the address);
//   kSendingRequest    a request goes out on a new or reused connection;
//   kRequestSent, kReceivingResponse, kResponseReceived   around each response's header;
//   kRedirect          a redirect is being followed (information: the new URL);
//   kClosingConnection, kConnectionClosed   a connection is closed.
// Handle creation/closing, data-available and the asynchronous completions are not raised.
namespace winhttp_status {
inline constexpr std::uint32_t kResolvingName = 0x00000001;
inline constexpr std::uint32_t kNameResolved = 0x00000002;
inline constexpr std::uint32_t kConnectingToServer = 0x00000004;
inline constexpr std::uint32_t kConnectedToServer = 0x00000008;
inline constexpr std::uint32_t kSendingRequest = 0x00000010;
inline constexpr std::uint32_t kRequestSent = 0x00000020;
inline constexpr std::uint32_t kReceivingResponse = 0x00000040;
inline constexpr std::uint32_t kResponseReceived = 0x00000080;
inline constexpr std::uint32_t kClosingConnection = 0x00000100;
inline constexpr std::uint32_t kConnectionClosed = 0x00000200;
inline constexpr std::uint32_t kRedirect = 0x00004000;
} // namespace winhttp_status

enum class HttpProxyMode {
    None,   // direct connections, whatever the environment says
    System, // the system's settings: the http_proxy/https_proxy/no_proxy environment; loopback
            // addresses (localhost, 127.0.0.0/8, ::1) always go direct
    Named,  // HttpSessionSettings::proxyServer
};

struct HttpSessionSettings {
    HttpProxyMode proxyMode = HttpProxyMode::None;
    std::string proxyServer{}; // "host:port"; Named with an empty server means no proxy
    std::string proxyBypass{}; // host names that go direct, separated by ';', ',' or blanks
};

// Receives status notifications: the WinHTTP number and its information text (may be empty).
using HttpStatusCallback = std::function<void(std::uint32_t status, const std::string& information)>;

namespace detail {
struct HttpSessionCore;
}

// The certificate authorities HTTPS servers are checked against: by default the system's
// store (libcurl's default bundle); tests point it at a file of their own (PEM). Empty
// restores the default. Set before requests start, from one thread.
void setTrustedCertificatesFile(const std::string& path);

class HttpSession {
public:
    explicit HttpSession(HttpSessionSettings settings = {});
    ~HttpSession();
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    // Notifications are delivered on the calling thread between libcurl's steps, never
    // from inside libcurl, so the callback may throw (the running request then fails).
    void setStatusCallback(HttpStatusCallback callback);

    // Closes the idle connections now, reporting their closing. A request still alive keeps
    // its own connection until it is destroyed.
    void close();

    // Connections opened by this session so far (the number of sockets it created).
    int connectionsOpened() const;

    const HttpSessionSettings& settings() const;
    const std::shared_ptr<detail::HttpSessionCore>& core() const { return m_core; }

private:
    std::shared_ptr<detail::HttpSessionCore> m_core;
};

} // namespace sw
