#include "platform/http_session.h"

#include "platform/http_session_core.h"

#include <unistd.h>

#include <mutex>
#include <stdexcept>

namespace sw {

namespace detail {

void ensureCurlInitialised() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            throw std::runtime_error("libcurl could not be initialised");
    });
}

HttpSessionCore::HttpSessionCore(HttpSessionSettings sessionSettings) : settings(std::move(sessionSettings)) {
    ensureCurlInitialised();
    multi = curl_multi_init();
    share = curl_share_init();
    if (multi == nullptr || share == nullptr) {
        if (multi != nullptr)
            curl_multi_cleanup(multi);
        if (share != nullptr)
            curl_share_cleanup(share);
        throw std::runtime_error("libcurl could not create a session");
    }
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
}

HttpSessionCore::~HttpSessionCore() {
    callback = nullptr;
    curl_multi_cleanup(multi);
    curl_share_cleanup(share);
}

void HttpSessionCore::notify(std::uint32_t status, std::string information) noexcept {
    if (!callback)
        return;
    try {
        pending.emplace_back(status, std::move(information));
    } catch (...) {
        // Out of memory: a lost notification is better than an exception through libcurl.
    }
}

void HttpSessionCore::deliver() {
    while (!pending.empty()) {
        std::vector<std::pair<std::uint32_t, std::string>> batch;
        batch.swap(pending);
        for (const auto& [status, information] : batch)
            if (callback)
                callback(status, information);
    }
}

void HttpSessionCore::closeConnections() {
    CURLM* fresh = curl_multi_init();
    if (fresh == nullptr)
        throw std::runtime_error("libcurl could not create a session");
    curl_multi_cleanup(multi); // closes the pooled connections through closeSessionSocket
    multi = fresh;
}

int closeSessionSocket(void* clientp, curl_socket_t socket) {
    auto* core = static_cast<HttpSessionCore*>(clientp);
    core->notify(winhttp_status::kClosingConnection, {});
    const int result = ::close(socket);
    core->notify(winhttp_status::kConnectionClosed, {});
    return result;
}

} // namespace detail

HttpSession::HttpSession(HttpSessionSettings settings)
    : m_core(std::make_shared<detail::HttpSessionCore>(std::move(settings))) {}

HttpSession::~HttpSession() {
    // Requests still alive keep the core (and its connections) until they end; nobody
    // hears about them any more.
    m_core->callback = nullptr;
    m_core->pending.clear();
}

void HttpSession::setStatusCallback(HttpStatusCallback callback) {
    m_core->callback = std::move(callback);
}

void HttpSession::close() {
    if (m_core->liveRequests == 0)
        m_core->closeConnections();
    m_core->deliver();
}

int HttpSession::connectionsOpened() const {
    return m_core->socketsOpened;
}

const HttpSessionSettings& HttpSession::settings() const {
    return m_core->settings;
}

} // namespace sw
