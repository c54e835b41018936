#pragma once

// Internal to the transport: what a session and its requests share.

#include "platform/http_session.h"

#include <curl/curl.h>

#include <string>
#include <vector>

namespace sw::detail {

// Calls curl_global_init once per process, before the first handle is made.
void ensureCurlInitialised();

struct HttpSessionCore {
    explicit HttpSessionCore(HttpSessionSettings sessionSettings);
    ~HttpSessionCore();
    HttpSessionCore(const HttpSessionCore&) = delete;
    HttpSessionCore& operator=(const HttpSessionCore&) = delete;

    // Queues a notification; libcurl's callbacks call this, so it never throws to them.
    void notify(std::uint32_t status, std::string information) noexcept;
    // Hands the queued notifications to the callback (outside libcurl).
    void deliver();
    // Replaces the multi handle, closing every pooled connection.
    void closeConnections();

    HttpSessionSettings settings;
    CURLM* multi = nullptr;  // owns the connection pool
    CURLSH* share = nullptr; // the session's cookies
    HttpStatusCallback callback;
    std::vector<std::pair<std::uint32_t, std::string>> pending;
    int socketsOpened = 0;
    int liveRequests = 0;
};

// libcurl's CURLOPT_CLOSESOCKETFUNCTION for every socket of a session (clientp: the core).
int closeSessionSocket(void* clientp, curl_socket_t socket);

} // namespace sw::detail
