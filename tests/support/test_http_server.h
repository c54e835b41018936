#pragma once

// A small HTTP/1.1 server for tests: 127.0.0.1 on an ephemeral port, one thread per
// connection, answers scripted per path, and faults on purpose. It records every request
// and counts the connections it accepted. Everything it waits for is bounded by stop()
// (called by the destructor), so no test hangs on it.
//
//   TestHttpServer server;
//   server.addFile("/prod.txt", "a\r\nb\r\n");           // 200, HEAD, Range: bytes=N- -> 206
//   TestHttpResponse cut; cut.body = big; cut.cutAfter = 1000;
//   server.setResponse("/cut.zip", cut);
//   client.Get(server.url("/prod.txt"));
//   EXPECT_EQ(server.connectionCount(), 1);
//
// Given a certificate and key (TestCertificates), it speaks HTTPS instead, with the same
// answers and faults; url() then begins with "https://". Connections end with a TLS close
// notification, except those reset on purpose.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace sw::test {

struct TestHttpRequest {
    std::string method;
    std::string target; // as sent: a path, or an absolute URL when sent to a proxy
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    int connection = 0; // 1 for the first connection accepted, 2 for the next...

    // The first header of that name (case-insensitive), or nullopt.
    std::optional<std::string> header(const std::string& name) const;
};

struct TestHttpResponse {
    int status = 200;
    std::string reason = "OK";
    std::vector<std::pair<std::string, std::string>> headers; // added after the standard ones
    std::string body;

    // Faults on purpose.
    bool sendContentLength = true;               // false: the body ends when the connection closes
    std::optional<std::int64_t> announcedLength; // a Content-Length that lies (connection closed after)
    bool chunked = false;                        // Transfer-Encoding: chunked, chunks of chunkSize
    std::size_t chunkSize = 1000;
    std::string trailers;                        // "Name: value\r\n" lines after the last chunk
    std::optional<std::size_t> cutAfter;         // close after this many body bytes (as framed)
    std::optional<std::size_t> stallAfter;       // send this many body bytes, then send nothing more
    std::chrono::milliseconds stallLimit{10000}; // ...until stop() or this long has passed
    bool ignoreRange = false;                    // answer 200 with the whole body even to a Range
    std::size_t slowPiece = 0;                   // slow body: pieces of this many bytes...
    std::chrono::milliseconds slowDelay{0};      // ...with this pause before each
    bool closeWithoutAnswer = false;             // read the request, close without a byte
    std::optional<std::string> rawAnswer;        // send these bytes instead, then close
    bool closeAfter = false;                     // Connection: close, then close
    bool stallReading = false; // read the request head, then never its body (until stop / stallLimit)
    bool resetOnClose = false; // end a cut or unanswered connection with a TCP reset
    std::chrono::milliseconds answerDelay{0}; // silence before the status line (bounded by stop())
};

struct TestTlsIdentity {
    std::string certificate; // PEM files
    std::string key;
};

class TestHttpServer {
public:
    TestHttpServer();
    explicit TestHttpServer(const TestTlsIdentity& tls);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int port() const { return m_port; }
    // "http://127.0.0.1:<port>" + path ("https://" with TLS)
    std::string url(const std::string& path) const;

    // 200 "OK" with the body; HEAD and Range (bytes=N- and bytes=N-M) answered from it.
    void addFile(const std::string& path, std::string body);
    // A scripted answer. Range requests to a 200 answer get 206 unless ignoreRange.
    void setResponse(const std::string& path, TestHttpResponse response);
    // Answers the requests to `path` with `responses` in turn (a HEAD, then a GET, ...); the
    // last one answers every request after them. Takes precedence over setResponse.
    void setResponseSequence(const std::string& path, std::vector<TestHttpResponse> responses);
    // `status` (301, 302, 303, 307, 308) with Location: location.
    void setRedirect(const std::string& path, int status, const std::string& location);
    // `status` with no Location at all: a redirect that cannot be followed.
    void setRedirectWithoutLocation(const std::string& path, int status);

    int connectionCount() const;
    std::vector<TestHttpRequest> requests() const;
    TestHttpRequest lastRequest() const; // an empty request when none came

    // Stops accepting, wakes every waiting connection and joins the threads. Idempotent.
    void stop();

private:
    struct Shared;
    struct Connection;
    void start();
    void acceptLoop();
    void serveConnection(Connection& c, int connection);
    bool answer(Connection& c, const TestHttpRequest& request, bool& keepAlive, bool& reset);

    std::shared_ptr<Shared> m_shared;
    int m_port = 0;
    std::thread m_acceptThread;
};

} // namespace sw::test
