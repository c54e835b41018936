#include "platform/http_request.h"

#include "platform/http_response_head.h"
#include "platform/http_session_core.h"
#include "platform/http_transport_error.h"
#include "platform/http_url.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace sw {

namespace {

using Clock = std::chrono::steady_clock;

// Body bytes held for the reader before libcurl is told to pause receiving.
constexpr std::size_t kBodyHighWater = 1024 * 1024;
// libcurl's receive buffer: large reads keep loopback and LAN transfers fast.
constexpr long kReceiveBufferSize = 256 * 1024;
// Longest single wait in curl_multi_poll when nobody asked for a shorter one.
constexpr std::chrono::milliseconds kLongestPoll{1000};
// The largest response head (status line and header lines) accepted, as WinHTTP's default.
constexpr std::size_t kMaxResponseHead = 64 * 1024;

// Loopback addresses never go through the environment's proxy: a server on this machine is
// reached directly, as Windows does.
constexpr const char* kLoopbackHosts = "localhost,127.0.0.0/8,::1";

std::string addressText(const sockaddr* address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
    else if (address->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text, sizeof text);
    return text;
}

// Bypass lists are written with ';' (Windows) or blanks; libcurl wants commas.
std::string curlNoProxyList(const std::string& bypass) {
    std::string result;
    std::string item;
    auto flush = [&] {
        if (!item.empty()) {
            if (!result.empty())
                result += ',';
            result += item;
            item.clear();
        }
    };
    for (char c : bypass) {
        if (c == ';' || c == ',' || c == ' ' || c == '\t')
            flush();
        else
            item += c;
    }
    flush();
    return result;
}

// The environment's no_proxy list with the loopback addresses added.
std::string environmentNoProxyList() {
    const char* list = std::getenv("no_proxy");
    if (list == nullptr || *list == '\0')
        list = std::getenv("NO_PROXY");
    const std::string given = list == nullptr ? std::string() : curlNoProxyList(list);
    if (given == "*")
        return given;
    return given.empty() ? kLoopbackHosts : given + "," + kLoopbackHosts;
}

std::string& trustedCertificatesFile() {
    static std::string file;
    return file;
}

// What a failed certificate check was about (OpenSSL's X509_V_ERR_* numbers).
HttpFailure certificateFailure(long verifyResult) {
    constexpr long kOk = 0;
    constexpr long kUnspecified = 1; // what libcurl records when its own host name check fails
    constexpr long kNotYetValid = 9;
    constexpr long kExpired = 10;
    constexpr long kHostnameMismatch = 62;
    constexpr long kIpAddressMismatch = 64;
    if (verifyResult == kOk || verifyResult == kUnspecified || verifyResult == kHostnameMismatch ||
        verifyResult == kIpAddressMismatch)
        return HttpFailure::CertificateName;
    if (verifyResult == kNotYetValid || verifyResult == kExpired)
        return HttpFailure::CertificateDate;
    return HttpFailure::CertificateAuthority;
}

const char* failureText(HttpFailure failure) {
    switch (failure) {
    case HttpFailure::BadResponse:
        return "the server's answer is not a valid HTTP response";
    case HttpFailure::RedirectFailed:
        return "the redirection failed: too many redirects, another scheme or credentials in the address";
    case HttpFailure::CertificateAuthority:
        return "the server's certificate is not issued by a trusted authority";
    case HttpFailure::CertificateDate:
        return "the server's certificate has expired or is not yet valid";
    case HttpFailure::CertificateName:
        return "the server's certificate is for another host name";
    default:
        return "the request failed";
    }
}

} // namespace

void setTrustedCertificatesFile(const std::string& path) {
    trustedCertificatesFile() = path;
}

struct HttpRequest::State {
    std::shared_ptr<detail::HttpSessionCore> core;
    HttpRequestSettings settings;
    CURL* easy = nullptr;
    curl_slist* headerList = nullptr;
    bool added = false;

    // Progress of the transfer, updated by libcurl's callbacks.
    bool done = false;
    CURLcode result = CURLE_OK;
    std::optional<HttpTransportError> error; // once failed, every later step fails alike
    bool requestGoingOut = false;            // the request is on the wire: the receive clock runs
    bool newSocket = false;
    bool sawResponse = false;
    long redirectsSeen = 0;
    std::size_t headBytes = 0;                // of the response whose head is arriving
    std::optional<HttpFailure> headerFailure; // why the header callback stopped the transfer
    Clock::time_point lastActivity = Clock::now();

    // Upload: the piece the caller passed to send(), consumed by onRead.
    std::string_view uploadPending;
    std::int64_t uploadSent = 0;
    bool sendPaused = false;

    // Response.
    HttpResponseHead current;
    HttpResponseHead final;
    bool headersDone = false;
    std::string body;
    std::size_t bodyPos = 0;
    bool receivePaused = false;

    std::function<bool()> waitCallback;
    std::chrono::milliseconds waitInterval{0};
    Clock::time_point lastWaitCall = Clock::now();

    ~State() {
        if (added)
            curl_multi_remove_handle(core->multi, easy);
        if (easy != nullptr)
            curl_easy_cleanup(easy);
        curl_slist_free_all(headerList);
        if (core)
            --core->liveRequests;
    }

    void applyPause() {
        curl_easy_pause(easy, (receivePaused ? CURLPAUSE_RECV : 0) | (sendPaused ? CURLPAUSE_SEND : 0));
    }

    [[noreturn]] void fail(HttpTransportError e) {
        error = e;
        throw e;
    }

    [[noreturn]] void failWithResult() {
        if (headerFailure)
            fail(HttpTransportError(*headerFailure, result, failureText(*headerFailure)));
        // Before the head is complete, libcurl names a reply that is not HTTP/1.x (HTTP/0.9, a
        // garbage status line) an unsupported protocol or a weird reply, and a header line too
        // long for its buffer a lack of memory: all are answers that cannot be parsed.
        if (!headersDone && (result == CURLE_UNSUPPORTED_PROTOCOL || result == CURLE_WEIRD_SERVER_REPLY ||
                             result == CURLE_OUT_OF_MEMORY))
            fail(HttpTransportError(HttpFailure::BadResponse, result, failureText(HttpFailure::BadResponse)));
        if (result == CURLE_PEER_FAILED_VERIFICATION || result == CURLE_SSL_CONNECT_ERROR) {
            long verifyResult = 0;
            curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &verifyResult);
            if (result == CURLE_PEER_FAILED_VERIFICATION || verifyResult != 0) {
                const HttpFailure failure = certificateFailure(verifyResult);
                fail(HttpTransportError(failure, result, failureText(failure)));
            }
        }
        fail(HttpTransportError::fromCurlCode(result));
    }

    void collectFinished() {
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(core->multi, &queued)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            State* owner = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
            if (owner != nullptr) {
                owner->done = true;
                owner->result = message->data.result;
            }
        }
    }

    // Runs libcurl until `ready()` holds or the transfer ends. `idleLimit` > 0 fails the
    // request when no byte moves for that long.
    template <typename Ready> void drive(Ready ready, std::chrono::milliseconds idleLimit) {
        if (error)
            throw *error;
        for (;;) {
            int running = 0;
            const CURLMcode code = curl_multi_perform(core->multi, &running);
            collectFinished();
            core->deliver();
            if (code != CURLM_OK)
                fail(HttpTransportError(HttpFailure::Other, CURLE_FAILED_INIT, curl_multi_strerror(code)));
            if (ready())
                return;
            if (done) {
                if (result != CURLE_OK)
                    failWithResult();
                return;
            }
            const Clock::time_point now = Clock::now();
            std::chrono::milliseconds wait = kLongestPoll;
            if (idleLimit.count() > 0 && requestGoingOut) {
                const auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastActivity);
                if (idle >= idleLimit)
                    fail(HttpTransportError(HttpFailure::Timeout, CURLE_OPERATION_TIMEDOUT,
                                            curl_easy_strerror(CURLE_OPERATION_TIMEDOUT)));
                wait = std::min(wait, idleLimit - idle);
            }
            if (waitCallback) {
                const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastWaitCall);
                if (since >= waitInterval) {
                    lastWaitCall = now;
                    if (!waitCallback())
                        fail(HttpTransportError(HttpFailure::Aborted, CURLE_ABORTED_BY_CALLBACK,
                                                curl_easy_strerror(CURLE_ABORTED_BY_CALLBACK)));
                    continue;
                }
                wait = std::min(wait, waitInterval - since);
            }
            curl_multi_poll(core->multi, nullptr, 0, static_cast<int>(std::max<long long>(wait.count(), 0)),
                            nullptr);
        }
    }

    // libcurl callbacks (C linkage expectations: they never throw).

    static size_t onWrite(char* data, size_t, size_t size, void* userdata) {
        auto* s = static_cast<State*>(userdata);
        if (!s->headersDone)
            return size; // a body of an answer that is not the final one
        if (s->body.size() - s->bodyPos >= kBodyHighWater) {
            s->receivePaused = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        if (s->bodyPos == s->body.size()) {
            s->body.clear();
            s->bodyPos = 0;
        }
        try {
            s->body.append(data, size);
        } catch (...) {
            return 0; // libcurl fails the transfer with a write error
        }
        s->lastActivity = Clock::now();
        return size;
    }

    static size_t onRead(char* buffer, size_t, size_t size, void* userdata) {
        auto* s = static_cast<State*>(userdata);
        if (s->uploadPending.empty()) {
            if (s->uploadSent >= s->settings.bodyLength)
                return 0;
            s->sendPaused = true;
            return CURL_READFUNC_PAUSE;
        }
        const std::size_t n = std::min(size, s->uploadPending.size());
        std::memcpy(buffer, s->uploadPending.data(), n);
        s->uploadPending.remove_prefix(n);
        s->uploadSent += static_cast<std::int64_t>(n);
        s->lastActivity = Clock::now();
        return n;
    }

    static size_t onHeader(char* data, size_t, size_t size, void* userdata) {
        auto* s = static_cast<State*>(userdata);
        try {
            if (!s->header(std::string_view(data, size)))
                return 0;
        } catch (...) {
            return 0;
        }
        s->lastActivity = Clock::now();
        return size;
    }

    // One line of a response head. False stops the transfer (headerFailure says why).
    bool header(std::string_view line) {
        if (headersDone)
            return true; // trailer fields of a chunked body (RFC 7230 4.1.2) are not the header
        headBytes += line.size();
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.remove_suffix(1);
        int status = 0;
        std::string reason;
        if (parseHttpStatusLine(line, status, reason)) {
            if (!sawResponse)
                core->notify(winhttp_status::kRequestSent, {});
            sawResponse = true;
            headBytes = line.size();
            core->notify(winhttp_status::kReceivingResponse, {});
            current = HttpResponseHead{status, std::move(reason), std::string(line) + "\r\n", {}};
            return true;
        }
        if (headBytes > kMaxResponseHead) {
            headerFailure = HttpFailure::BadResponse;
            return false;
        }
        addHttpHeaderLine(current, line);
        if (!line.empty())
            return true;
        core->notify(winhttp_status::kResponseReceived, {});
        if (current.status >= 100 && current.status < 200)
            return true; // interim answer, the real one follows
        const HttpHeaderField* location = findHttpHeader(current.fields, "Location");
        if (settings.followRedirects && current.status >= 300 && current.status < 400 &&
            location != nullptr) {
            char* base = nullptr;
            curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &base);
            // (libcurl escapes what a request line cannot carry before it follows.)
            const std::string target =
                resolveUrlReference(base ? base : "", escapeHttpPath(location->value, {}));
            // A chain follows at most maxRedirects redirects, only to http and https, and
            // never to an address that would carry credentials.
            if (redirectsSeen >= settings.maxRedirects || !isHttpUrl(target) || urlHasCredentials(target)) {
                headerFailure = HttpFailure::RedirectFailed;
                return false;
            }
            ++redirectsSeen;
            core->notify(winhttp_status::kRedirect, target);
            return true;
        }
        final = std::move(current);
        current = {};
        headersDone = true;
        return true;
    }

    static int onResolverStart(void*, void*, void* userdata) {
        auto* s = static_cast<State*>(userdata);
        char* url = nullptr;
        curl_easy_getinfo(s->easy, CURLINFO_EFFECTIVE_URL, &url);
        s->core->notify(winhttp_status::kResolvingName, urlHostName(url ? url : ""));
        return 0;
    }

    static curl_socket_t onOpenSocket(void* clientp, curlsocktype, curl_sockaddr* address) {
        auto* s = static_cast<State*>(clientp);
        const curl_socket_t socket =
            ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
        if (socket == CURL_SOCKET_BAD)
            return socket;
        ++s->core->socketsOpened;
        s->newSocket = true;
        const std::string where = addressText(&address->addr);
        s->core->notify(winhttp_status::kNameResolved, where);
        s->core->notify(winhttp_status::kConnectingToServer, where);
        return socket;
    }

    static int onPrerequest(void* clientp, char* primaryIp, char*, int, int) {
        auto* s = static_cast<State*>(clientp);
        if (s->newSocket)
            s->core->notify(winhttp_status::kConnectedToServer, primaryIp ? primaryIp : "");
        s->newSocket = false;
        s->requestGoingOut = true;
        s->lastActivity = Clock::now();
        s->core->notify(winhttp_status::kSendingRequest, {});
        return CURL_PREREQFUNC_OK;
    }
};

HttpRequest::HttpRequest(HttpSession& session, HttpRequestSettings settings)
    : m_state(std::make_unique<State>()) {
    State& s = *m_state;
    s.core = session.core();
    ++s.core->liveRequests;
    s.settings = std::move(settings);
    // A user name and password written in the address are never sent.
    s.settings.url = withoutUrlCredentials(s.settings.url);
    checkHttpUrl(s.settings.url);

    s.easy = curl_easy_init();
    if (s.easy == nullptr)
        throw std::runtime_error("libcurl could not create a request");
    CURL* e = s.easy;
    curl_easy_setopt(e, CURLOPT_PRIVATE, &s);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_URL, s.settings.url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION,
                     s.settings.version == HttpVersion::Http10 ? CURL_HTTP_VERSION_1_0
                                                               : CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kReceiveBufferSize);
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);

    const std::string& method = s.settings.method;
    if (method == "HEAD") {
        curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    } else if (method == "GET" && s.settings.bodyLength == 0) {
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(e, CURLOPT_POST, 1L);
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(s.settings.bodyLength));
        curl_easy_setopt(e, CURLOPT_READFUNCTION, &State::onRead);
        curl_easy_setopt(e, CURLOPT_READDATA, &s);
        if (method != "POST")
            curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, method.c_str());
    }

    std::vector<std::string> lines = s.settings.headers;
    for (const char* own : {"Accept", "Expect", "Content-Type"})
        if (!hasHttpHeaderLine(lines, own))
            lines.push_back(std::string(own) + ":");
    for (const std::string& line : lines) {
        curl_slist* grown = curl_slist_append(s.headerList, line.c_str());
        if (grown == nullptr)
            throw std::bad_alloc();
        s.headerList = grown;
    }
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, s.headerList);

    if (!trustedCertificatesFile().empty())
        curl_easy_setopt(e, CURLOPT_CAINFO, trustedCertificatesFile().c_str());
    if (s.settings.connectTimeout.count() > 0)
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(s.settings.connectTimeout.count()));
    if (!s.settings.keepAlive)
        curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
    if (s.settings.cookies) {
        curl_easy_setopt(e, CURLOPT_SHARE, s.core->share);
        curl_easy_setopt(e, CURLOPT_COOKIEFILE, "");
    }
    if (s.settings.followRedirects) {
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(e, CURLOPT_MAXREDIRS, s.settings.maxRedirects);
    }

    const HttpSessionSettings& session_ = s.core->settings;
    if (session_.proxyMode == HttpProxyMode::None ||
        (session_.proxyMode == HttpProxyMode::Named && session_.proxyServer.empty())) {
        curl_easy_setopt(e, CURLOPT_PROXY, "");
    } else if (session_.proxyMode == HttpProxyMode::System) {
        const std::string bypass = environmentNoProxyList();
        curl_easy_setopt(e, CURLOPT_NOPROXY, bypass.c_str());
    } else {
        curl_easy_setopt(e, CURLOPT_PROXY, session_.proxyServer.c_str());
        const std::string bypass = curlNoProxyList(session_.proxyBypass);
        curl_easy_setopt(e, CURLOPT_NOPROXY, bypass.c_str()); // libcurl copies the string
    }
    if (!s.settings.proxyUserName.empty())
        curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, s.settings.proxyUserName.c_str());
    if (!s.settings.proxyPassword.empty())
        curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, s.settings.proxyPassword.c_str());

    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &State::onWrite);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &s);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &State::onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &s);
    curl_easy_setopt(e, CURLOPT_RESOLVER_START_FUNCTION, &State::onResolverStart);
    curl_easy_setopt(e, CURLOPT_RESOLVER_START_DATA, &s);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, &State::onOpenSocket);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, &s);
    curl_easy_setopt(e, CURLOPT_CLOSESOCKETFUNCTION, &detail::closeSessionSocket);
    curl_easy_setopt(e, CURLOPT_CLOSESOCKETDATA, s.core.get());
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &State::onPrerequest);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, &s);

    if (curl_multi_add_handle(s.core->multi, e) != CURLM_OK)
        throw std::runtime_error("libcurl could not start a request");
    s.added = true;
}

HttpRequest::~HttpRequest() = default;

void HttpRequest::setWaitCallback(std::function<bool()> callback, std::chrono::milliseconds interval) {
    m_state->waitCallback = std::move(callback);
    m_state->waitInterval = std::max(interval, std::chrono::milliseconds(1));
    m_state->lastWaitCall = Clock::now();
}

void HttpRequest::send(std::string_view data) {
    State& s = *m_state;
    if (data.empty())
        return;
    s.uploadPending = data;
    if (s.sendPaused) {
        s.sendPaused = false;
        s.applyPause();
    }
    try {
        s.drive([&] { return s.uploadPending.empty() || s.headersDone; }, s.settings.sendTimeout);
    } catch (...) {
        s.uploadPending = {};
        throw;
    }
    s.uploadPending = {}; // the caller's bytes are not kept past this call
}

void HttpRequest::receiveResponse() {
    State& s = *m_state;
    s.drive([&] { return s.headersDone; }, s.settings.receiveTimeout);
    if (!s.headersDone)
        s.fail(HttpTransportError(HttpFailure::BadResponse, CURLE_WEIRD_SERVER_REPLY,
                                  failureText(HttpFailure::BadResponse)));
}

int HttpRequest::statusCode() const {
    return m_state->final.status;
}
const std::string& HttpRequest::reasonPhrase() const {
    return m_state->final.reason;
}
const std::string& HttpRequest::rawHeaders() const {
    return m_state->final.raw;
}
const std::vector<HttpHeaderField>& HttpRequest::headers() const {
    return m_state->final.fields;
}

std::optional<std::string> HttpRequest::header(std::string_view name) const {
    if (const HttpHeaderField* f = findHttpHeader(m_state->final.fields, name))
        return f->value;
    return std::nullopt;
}

std::optional<std::int64_t> HttpRequest::contentLength() const {
    const HttpHeaderField* field = findHttpHeader(m_state->final.fields, "Content-Length");
    return field ? parseHttpContentLength(field->value) : std::nullopt;
}

std::string HttpRequest::effectiveUrl() const {
    char* url = nullptr;
    curl_easy_getinfo(m_state->easy, CURLINFO_EFFECTIVE_URL, &url);
    return url ? url : m_state->settings.url;
}

std::size_t HttpRequest::read(char* buffer, std::size_t size) {
    State& s = *m_state;
    if (size == 0)
        return 0;
    if (!s.headersDone)
        receiveResponse();
    for (;;) {
        if (s.bodyPos < s.body.size()) {
            const std::size_t n = std::min(size, s.body.size() - s.bodyPos);
            std::memcpy(buffer, s.body.data() + s.bodyPos, n);
            s.bodyPos += n;
            return n;
        }
        if (s.done) {
            if (s.result != CURLE_OK)
                s.failWithResult();
            return 0;
        }
        if (s.receivePaused) {
            s.receivePaused = false;
            s.applyPause(); // may hand over the held bytes at once
            continue;
        }
        s.drive([&] { return s.bodyPos < s.body.size(); }, s.settings.receiveTimeout);
    }
}

} // namespace sw
