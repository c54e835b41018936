#include "support/test_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/ssl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace sw::test {

namespace {

constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
constexpr std::size_t kMaxBodyBytes = 256 * 1024 * 1024;

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// Parses "bytes=N-" or "bytes=N-M" for a body of `size` bytes. False when malformed.
bool parseRange(const std::string& value, std::uint64_t size, std::uint64_t& first, std::uint64_t& last,
                bool& satisfiable) {
    const std::string prefix = "bytes=";
    if (value.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::string bounds = value.substr(prefix.size());
    const std::size_t dash = bounds.find('-');
    if (dash == std::string::npos || dash == 0 || bounds.find(',') != std::string::npos)
        return false;
    try {
        first = std::stoull(bounds.substr(0, dash));
        last = dash + 1 < bounds.size() ? std::stoull(bounds.substr(dash + 1)) : (size == 0 ? 0 : size - 1);
    } catch (const std::exception&) {
        return false;
    }
    satisfiable = first < size && first <= last;
    last = std::min<std::uint64_t>(last, size == 0 ? 0 : size - 1);
    return true;
}

} // namespace

std::optional<std::string> TestHttpRequest::header(const std::string& name) const {
    for (const auto& [key, value] : headers)
        if (lower(key) == lower(name))
            return value;
    return std::nullopt;
}

struct TestHttpServer::Connection {
    int fd = -1;
    SSL* ssl = nullptr; // with TLS
    bool reset = false; // ends with a TCP reset: no TLS close notification
};

struct TestHttpServer::Shared {
    ~Shared() {
        if (tls != nullptr)
            SSL_CTX_free(tls);
    }

    mutable std::mutex mutex;
    SSL_CTX* tls = nullptr;
    std::map<std::string, TestHttpResponse> routes;
    std::map<std::string, std::deque<TestHttpResponse>> sequences;
    std::vector<TestHttpRequest> requests;
    int connections = 0;
    std::vector<std::thread> threads;
    int listenFd = -1;
    int wakeRead = -1;
    int wakeWrite = -1;
    std::atomic<bool> stopping{false};

    // Waits until `fd` is ready for `events` or stop() was called. False when stopping.
    bool waitFor(int fd, short events, int timeoutMs = -1) const {
        pollfd fds[2] = {{fd, events, 0}, {wakeRead, POLLIN, 0}};
        for (;;) {
            const int n = ::poll(fds, 2, timeoutMs);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return n == 0; // a timed wait that simply ran out is not a stop
            return (fds[1].revents & POLLIN) == 0;
        }
    }

    // Pauses for `ms` unless stop() is called first. False when stopping.
    bool pause(std::chrono::milliseconds ms) const {
        pollfd wake{wakeRead, POLLIN, 0};
        return ::poll(&wake, 1, static_cast<int>(ms.count())) == 0;
    }

    // Waits for what a TLS call that returned `result` needs. False when it failed or stopping.
    bool tlsWait(const Connection& c, int result) const {
        const int error = SSL_get_error(c.ssl, result);
        if (error == SSL_ERROR_WANT_READ)
            return waitFor(c.fd, POLLIN);
        if (error == SSL_ERROR_WANT_WRITE)
            return waitFor(c.fd, POLLOUT);
        return false;
    }

    // The TLS handshake of a new connection.
    bool tlsAccept(Connection& c) const {
        for (;;) {
            const int result = SSL_accept(c.ssl);
            if (result == 1)
                return true;
            if (!tlsWait(c, result))
                return false;
        }
    }

    // Receives up to `size` bytes: the count, 0 at the end, -1 on a failure or when stopping.
    ssize_t receive(const Connection& c, char* data, std::size_t size) const {
        if (c.ssl == nullptr) {
            if (!waitFor(c.fd, POLLIN))
                return -1;
            return ::recv(c.fd, data, size, 0);
        }
        for (;;) {
            const int n = SSL_read(c.ssl, data, static_cast<int>(std::min<std::size_t>(size, 1 << 20)));
            if (n > 0)
                return n;
            if (SSL_get_error(c.ssl, n) == SSL_ERROR_ZERO_RETURN)
                return 0;
            if (!tlsWait(c, n))
                return -1;
        }
    }

    bool sendAll(const Connection& c, const char* data, std::size_t size) const {
        if (c.ssl != nullptr) {
            while (size > 0) {
                const int n = SSL_write(c.ssl, data, static_cast<int>(std::min<std::size_t>(size, 1 << 20)));
                if (n > 0) {
                    data += n;
                    size -= static_cast<std::size_t>(n);
                } else if (!tlsWait(c, n)) {
                    return false;
                }
            }
            return true;
        }
        const int fd = c.fd;
        while (size > 0) {
            if (!waitFor(fd, POLLOUT))
                return false;
            const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
            if (n < 0) {
                if (errno == EINTR || errno == EAGAIN)
                    continue;
                return false;
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }
    bool sendAll(const Connection& c, const std::string& text) const {
        return sendAll(c, text.data(), text.size());
    }
};

TestHttpServer::TestHttpServer() : m_shared(std::make_shared<Shared>()) {
    start();
}

TestHttpServer::TestHttpServer(const TestTlsIdentity& tls) : m_shared(std::make_shared<Shared>()) {
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (context == nullptr)
        throw std::runtime_error("test server: no TLS context");
    m_shared->tls = context;
    if (SSL_CTX_use_certificate_chain_file(context, tls.certificate.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, tls.key.c_str(), SSL_FILETYPE_PEM) != 1)
        throw std::runtime_error("test server: cannot load " + tls.certificate + " and its key");
    SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    std::signal(SIGPIPE, SIG_IGN); // OpenSSL writes with write(2): a closed peer must not end the test
    start();
}

void TestHttpServer::start() {
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) != 0)
        throw std::runtime_error("test server: pipe failed");
    m_shared->wakeRead = wake[0];
    m_shared->wakeWrite = wake[1];

    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("test server: socket failed");
    m_shared->listenFd = fd;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 64) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        stop();
        throw std::runtime_error("test server: cannot listen on 127.0.0.1");
    }
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

TestHttpServer::~TestHttpServer() {
    stop();
}

void TestHttpServer::stop() {
    Shared& s = *m_shared;
    if (s.stopping.exchange(true))
        return;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(s.wakeWrite, &byte, 1);
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(s.mutex);
        threads.swap(s.threads);
    }
    for (std::thread& t : threads)
        t.join();
    for (int* fd : {&s.listenFd, &s.wakeRead, &s.wakeWrite}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

std::string TestHttpServer::url(const std::string& path) const {
    return std::string(m_shared->tls != nullptr ? "https" : "http") +
           "://127.0.0.1:" + std::to_string(m_port) + path;
}

void TestHttpServer::addFile(const std::string& path, std::string body) {
    TestHttpResponse response;
    response.body = std::move(body);
    setResponse(path, std::move(response));
}

void TestHttpServer::setResponse(const std::string& path, TestHttpResponse response) {
    std::lock_guard lock(m_shared->mutex);
    m_shared->routes[path] = std::move(response);
}

void TestHttpServer::setResponseSequence(const std::string& path, std::vector<TestHttpResponse> responses) {
    std::lock_guard lock(m_shared->mutex);
    m_shared->sequences[path] = std::deque<TestHttpResponse>(responses.begin(), responses.end());
}

void TestHttpServer::setRedirect(const std::string& path, int status, const std::string& location) {
    TestHttpResponse response;
    response.status = status;
    response.reason = status == 301 ? "Moved Permanently" : status == 303 ? "See Other" : "Found";
    response.headers.emplace_back("Location", location);
    response.body = "moved";
    setResponse(path, std::move(response));
}

void TestHttpServer::setRedirectWithoutLocation(const std::string& path, int status) {
    TestHttpResponse response;
    response.status = status;
    response.reason = "Found";
    response.body = "nowhere";
    setResponse(path, std::move(response));
}

int TestHttpServer::connectionCount() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->connections;
}

std::vector<TestHttpRequest> TestHttpServer::requests() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->requests;
}

TestHttpRequest TestHttpServer::lastRequest() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->requests.empty() ? TestHttpRequest{} : m_shared->requests.back();
}

void TestHttpServer::acceptLoop() {
    Shared& s = *m_shared;
    while (s.waitFor(s.listenFd, POLLIN)) {
        const int fd = ::accept4(s.listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::lock_guard lock(s.mutex);
        const int connection = ++s.connections;
        s.threads.emplace_back([this, fd, connection] {
            Connection c;
            c.fd = fd;
            Shared& shared = *m_shared;
            if (shared.tls != nullptr) {
                ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
                c.ssl = SSL_new(shared.tls);
                if (c.ssl != nullptr && SSL_set_fd(c.ssl, fd) == 1 && shared.tlsAccept(c))
                    serveConnection(c, connection);
                if (c.ssl != nullptr) {
                    if (!c.reset)
                        SSL_shutdown(c.ssl); // the close notification, so that a cut body ends cleanly
                    SSL_free(c.ssl);
                }
            } else {
                serveConnection(c, connection);
            }
            ::close(fd);
        });
    }
}

void TestHttpServer::serveConnection(Connection& c, int connection) {
    Shared& s = *m_shared;
    const int fd = c.fd;
    std::string buffer;
    char chunk[16384];
    for (;;) {
        // Read one request: the header block, then a body of Content-Length bytes.
        std::size_t end = std::string::npos;
        while ((end = buffer.find("\r\n\r\n")) == std::string::npos) {
            if (buffer.size() > kMaxHeaderBytes)
                return;
            const ssize_t n = s.receive(c, chunk, sizeof chunk);
            if (n <= 0)
                return;
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
        TestHttpRequest request;
        request.connection = connection;
        const std::string head = buffer.substr(0, end);
        buffer.erase(0, end + 4);
        std::size_t lineEnd = head.find("\r\n");
        const std::string requestLine = head.substr(0, lineEnd);
        const std::size_t sp1 = requestLine.find(' ');
        const std::size_t sp2 = requestLine.rfind(' ');
        if (sp1 == std::string::npos || sp2 == sp1)
            return;
        request.method = requestLine.substr(0, sp1);
        request.target = requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
        request.version = requestLine.substr(sp2 + 1);
        while (lineEnd != std::string::npos) {
            const std::size_t start = lineEnd + 2;
            lineEnd = head.find("\r\n", start);
            const std::string line =
                head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
            const std::size_t colon = line.find(':');
            if (colon != std::string::npos)
                request.headers.emplace_back(trim(line.substr(0, colon)), trim(line.substr(colon + 1)));
        }
        if (request.header("Expect") && lower(*request.header("Expect")) == "100-continue" &&
            !s.sendAll(c, "HTTP/1.1 100 Continue\r\n\r\n"))
            return;
        bool stallReading = false;
        std::chrono::milliseconds stallLimit{0};
        {
            std::lock_guard lock(s.mutex);
            if (auto found = s.routes.find(request.target); found != s.routes.end()) {
                stallReading = found->second.stallReading;
                stallLimit = found->second.stallLimit;
            }
            if (stallReading)
                s.requests.push_back(request);
        }
        if (stallReading) {
            s.pause(stallLimit); // the client's upload fills the socket buffers and stops
            return;
        }
        std::size_t bodyLength = 0;
        if (const auto length = request.header("Content-Length")) {
            try {
                bodyLength = std::stoull(*length);
            } catch (const std::exception&) {
                return;
            }
            if (bodyLength > kMaxBodyBytes)
                return;
        }
        while (buffer.size() < bodyLength) {
            const ssize_t n = s.receive(c, chunk, sizeof chunk);
            if (n <= 0)
                return;
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
        request.body = buffer.substr(0, bodyLength);
        buffer.erase(0, bodyLength);

        bool keepAlive = request.version == "HTTP/1.1";
        if (const auto c = request.header("Connection"))
            keepAlive = lower(*c) == "keep-alive" || (keepAlive && lower(*c) != "close");
        {
            std::lock_guard lock(s.mutex);
            s.requests.push_back(request);
        }
        bool reset = false;
        const bool answered = answer(c, request, keepAlive, reset);
        if (reset) {
            c.reset = true;
            // SO_LINGER with a zero time makes close() send RST instead of FIN.
            const linger abort{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            return;
        }
        if (!answered || !keepAlive)
            return;
    }
}

bool TestHttpServer::answer(Connection& c, const TestHttpRequest& request, bool& keepAlive, bool& reset) {
    Shared& s = *m_shared;
    TestHttpResponse r;
    {
        std::lock_guard lock(s.mutex);
        auto found = s.routes.find(request.target);
        if (found == s.routes.end()) {
            // A proxy request names the whole URL: look its path up as well.
            const std::size_t scheme = request.target.find("://");
            const std::size_t path =
                scheme == std::string::npos ? std::string::npos : request.target.find('/', scheme + 3);
            if (path != std::string::npos)
                found = s.routes.find(request.target.substr(path));
        }
        if (found != s.routes.end()) {
            r = found->second;
        } else {
            r.status = 404;
            r.reason = "Not Found";
            r.body = "<html><body>not here</body></html>";
        }
        auto sequence = s.sequences.find(request.target);
        if (sequence != s.sequences.end() && !sequence->second.empty()) {
            r = sequence->second.front();
            if (sequence->second.size() > 1)
                sequence->second.pop_front();
        }
    }
    if (r.answerDelay.count() > 0 && !s.pause(r.answerDelay))
        return false;
    if (r.closeWithoutAnswer) {
        keepAlive = false;
        reset = r.resetOnClose;
        return true;
    }
    if (r.rawAnswer) {
        keepAlive = false;
        return s.sendAll(c, *r.rawAnswer);
    }

    std::string body = r.body;
    std::vector<std::pair<std::string, std::string>> headers;
    const std::uint64_t size = body.size();
    if (r.status == 200 && !r.ignoreRange) {
        if (const auto range = request.header("Range")) {
            std::uint64_t first = 0;
            std::uint64_t last = 0;
            bool satisfiable = false;
            if (parseRange(*range, size, first, last, satisfiable)) {
                if (satisfiable) {
                    r.status = 206;
                    r.reason = "Partial Content";
                    headers.emplace_back("Content-Range", "bytes " + std::to_string(first) + "-" +
                                                              std::to_string(last) + "/" +
                                                              std::to_string(size));
                    body = body.substr(first, last - first + 1);
                } else {
                    r.status = 416;
                    r.reason = "Range Not Satisfiable";
                    headers.emplace_back("Content-Range", "bytes */" + std::to_string(size));
                    body.clear();
                }
            }
        }
    }
    if (r.status == 200 || r.status == 206)
        headers.emplace_back("Accept-Ranges", "bytes");

    std::string framed = body;
    if (r.chunked) {
        framed.clear();
        const std::size_t step = std::max<std::size_t>(r.chunkSize, 1);
        for (std::size_t at = 0; at < body.size(); at += step) {
            const std::string piece = body.substr(at, step);
            char size_text[32];
            std::snprintf(size_text, sizeof size_text, "%zx\r\n", piece.size());
            framed += size_text + piece + "\r\n";
        }
        framed += "0\r\n" + r.trailers + "\r\n";
        headers.emplace_back("Transfer-Encoding", "chunked");
    } else if (r.announcedLength) {
        headers.emplace_back("Content-Length", std::to_string(*r.announcedLength));
        keepAlive = false;
    } else if (r.sendContentLength) {
        headers.emplace_back("Content-Length", std::to_string(body.size()));
    } else {
        keepAlive = false; // the end of the body is the end of the connection
    }
    if (r.closeAfter || r.cutAfter || r.stallAfter)
        keepAlive = false;
    if (!keepAlive)
        headers.emplace_back("Connection", "close");
    for (const auto& h : r.headers)
        headers.push_back(h);

    std::string head =
        "HTTP/1.1 " + std::to_string(r.status) + (r.reason.empty() ? "" : " " + r.reason) + "\r\n";
    for (const auto& [name, value] : headers)
        head += name + ": " + value + "\r\n";
    head += "\r\n";
    if (!s.sendAll(c, head))
        return false;
    if (request.method == "HEAD")
        return true;

    std::size_t limit = framed.size();
    if (r.cutAfter)
        limit = std::min(limit, *r.cutAfter);
    if (r.stallAfter)
        limit = std::min(limit, *r.stallAfter);
    const std::size_t piece = r.slowPiece > 0 ? r.slowPiece : limit;
    for (std::size_t at = 0; at < limit; at += piece) {
        if (r.slowPiece > 0 && !s.pause(r.slowDelay))
            return false;
        if (!s.sendAll(c, framed.data() + at, std::min(piece, limit - at)))
            return false;
    }
    if (r.cutAfter && *r.cutAfter < framed.size())
        reset = r.resetOnClose;
    if (r.stallAfter && *r.stallAfter < framed.size()) {
        s.pause(r.stallLimit);
        return false;
    }
    return true;
}

} // namespace sw::test
