#include "http/winhttp_client.h"

#include "http/winhttp_errors.h"
#include "platform/http_request.h"
#include "platform/http_session.h"
#include "platform/http_transport_error.h"
#include "platform/io_error.h"

#include <algorithm>
#include <istream>
#include <limits>
#include <ostream>
#include <vector>

namespace sw {

namespace {

using Option = TAlWinHttpClientInternetOption;

// WinHttpOpenRequest flags (winhttp.h).
constexpr std::uint32_t kFlagEscapePercent = 0x00000004;
constexpr std::uint32_t kFlagNullCodepage = 0x00000008;
constexpr std::uint32_t kFlagEscapeDisable = 0x00000040;
constexpr std::uint32_t kFlagEscapeDisableQuery = 0x00000080;
constexpr std::uint32_t kFlagRefresh = 0x00000100; // also WINHTTP_FLAG_BYPASS_PROXY_CACHE
constexpr std::uint32_t kFlagSecure = 0x00800000;

// Body blocks handed to the response stream and to OnDownloadProgress.
constexpr std::size_t kReadBlockSize = 64 * 1024;

// The events carry 32-bit counts; a larger count shows as the largest one.
std::int32_t clamp32(std::int64_t value) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(value, 0, std::numeric_limits<std::int32_t>::max()));
}

// The request's body size, with the stream rewound to its start.
std::int64_t bodySize(std::istream* body) {
    if (body == nullptr)
        return 0;
    body->clear();
    body->seekg(0, std::ios::end);
    const std::streamoff end = body->tellg();
    body->seekg(0, std::ios::beg);
    if (end < 0 || !*body)
        throw IoError("the request body cannot be measured", 0);
    return end;
}

std::size_t readSome(std::istream& body, char* buffer, std::size_t size) {
    body.read(buffer, static_cast<std::streamsize>(size));
    return static_cast<std::size_t>(body.gcount());
}

} // namespace

TALWinHttpClient::TALWinHttpClient() {
    m_requestHeader.setUserAgent(kDefaultUserAgent);
}

TALWinHttpClient::~TALWinHttpClient() {
    OnStatusChange = nullptr; // nobody listens any more
    OnRedirect = nullptr;
    disconnectAfterFailure();
}

void TALWinHttpClient::setURL(const std::string& value) {
    if (value == m_url)
        return;
    const std::string oldHost = m_cracked.host;
    const std::uint16_t oldPort = m_cracked.port;
    CrackUrl(value);
    if (m_cracked.host != oldHost || m_cracked.port != oldPort)
        Disconnect();
    m_url = value;
}

void TALWinHttpClient::setUserName(const std::string& value) {
    if (value == m_userName)
        return;
    TALHTTPClient::setUserName(value);
    Disconnect();
}

void TALWinHttpClient::setPassword(const std::string& value) {
    if (value == m_password)
        return;
    TALHTTPClient::setPassword(value);
    Disconnect();
}

void TALWinHttpClient::OnProxyParamsChange(int propertyIndex) {
    // The proxy's user name and password go with each request; the rest opens the session.
    if (propertyIndex == TALHTTPClientProxyParams::kProxyBypass ||
        propertyIndex == TALHTTPClientProxyParams::kProxyServer ||
        propertyIndex == TALHTTPClientProxyParams::kProxyPort)
        Disconnect();
}

void TALWinHttpClient::OnRequestHeaderChange(int propertyIndex) {
    // The user agent is the session's (WinHttpOpen); a cleared set changes it too.
    if (propertyIndex == TALHTTPRequestHeader::kUserAgent || propertyIndex == -1)
        Disconnect();
}

void TALWinHttpClient::setAccessType(TALWinHttpClientInternetOpenAccessType value) {
    if (value == m_accessType)
        return;
    m_accessType = value;
    Disconnect();
}

std::uint32_t TALWinHttpClient::RequestFlags() const {
    std::uint32_t flags = 0;
    if (m_internetOptions.contains(Option::wHttpIo_BYPASS_PROXY_CACHE) ||
        m_internetOptions.contains(Option::wHttpIo_REFRESH))
        flags |= kFlagRefresh;
    if (m_internetOptions.contains(Option::wHttpIo_ESCAPE_DISABLE))
        flags |= kFlagEscapeDisable;
    if (m_internetOptions.contains(Option::wHttpIo_ESCAPE_DISABLE_QUERY))
        flags |= kFlagEscapeDisableQuery;
    if (m_internetOptions.contains(Option::wHttpIo_ESCAPE_PERCENT))
        flags |= kFlagEscapePercent;
    if (m_internetOptions.contains(Option::wHttpIo_NULL_CODEPAGE))
        flags |= kFlagNullCodepage;
    if (m_internetOptions.contains(Option::wHttpIo_SECURE) || m_cracked.scheme == HttpScheme::Https)
        flags |= kFlagSecure;
    return flags;
}

void TALWinHttpClient::CrackUrl(const std::string& url) {
    if (url.empty()) {
        m_cracked = HttpUrlParts{};
        return;
    }
    std::optional<HttpUrlParts> parts = crackHttpUrl(url);
    if (!parts)
        throw EALHTTPClientException("Invalid url '" + url + "' - only supports 'http' and 'https' schemes",
                                     0);
    m_cracked = std::move(*parts);
}

void TALWinHttpClient::Connect() {
    if (m_connected)
        return;
    HttpSessionSettings settings;
    switch (m_accessType) {
    case TALWinHttpClientInternetOpenAccessType::wHttpAt_NO_PROXY:
        settings.proxyMode = HttpProxyMode::None;
        break;
    case TALWinHttpClientInternetOpenAccessType::wHttpAt_DEFAULT_PROXY:
        settings.proxyMode = HttpProxyMode::System;
        break;
    case TALWinHttpClientInternetOpenAccessType::wHttpAt_NAMED_PROXY:
        settings.proxyMode = HttpProxyMode::Named;
        if (!m_proxyParams.ProxyServer().empty()) {
            settings.proxyServer =
                m_proxyParams.ProxyServer() + ":" + std::to_string(m_proxyParams.ProxyPort());
            settings.proxyBypass = m_proxyParams.ProxyBypass();
        }
        break;
    }
    m_session = std::make_unique<HttpSession>(settings);
    m_session->setStatusCallback([this](std::uint32_t status, const std::string& information) {
        if (OnStatusChange)
            OnStatusChange(*this, status, information.empty() ? nullptr : information.data(),
                           static_cast<std::uint32_t>(information.size()));
        if (status == winhttp_status::kRedirect && OnRedirect)
            OnRedirect(*this, information);
    });
    m_connected = true;
}

void TALWinHttpClient::Disconnect() {
    m_connected = false;
    if (!m_session)
        return;
    std::unique_ptr<HttpSession> session = std::move(m_session);
    session->close(); // reports the closing of its connections
}

void TALWinHttpClient::disconnectAfterFailure() noexcept {
    try {
        Disconnect();
    } catch (...) {
        // A status handler that throws while the connection closes must not hide the
        // failure that closed it.
    }
}

void TALWinHttpClient::CheckError(const HttpTransportError& error) {
    const std::uint32_t code = winHttpErrorCode(error.failure());
    throw EALHTTPClientException(std::string(winHttpErrorText(code)) + " - URL:" + m_url, 0, code);
}

void TALWinHttpClient::setWaitCallback(std::function<bool()> callback, std::chrono::milliseconds interval) {
    m_waitCallback = std::move(callback);
    m_waitInterval = interval;
}

TALWinHttpClient::Timeouts TALWinHttpClient::AppliedTimeouts() const {
    auto pick = [](std::int32_t property, std::chrono::milliseconds fallback) {
        return property > 0 ? std::chrono::milliseconds(property) : fallback;
    };
    return {pick(m_connectTimeout, kDefaultConnectTimeout), pick(m_sendTimeout, kDefaultSendTimeout),
            pick(m_receiveTimeout, kDefaultReceiveTimeout)};
}

std::string TALWinHttpClient::requestUrl() const {
    HttpPathEscaping escaping;
    escaping.disable = m_internetOptions.contains(Option::wHttpIo_ESCAPE_DISABLE);
    escaping.disableQuery = m_internetOptions.contains(Option::wHttpIo_ESCAPE_DISABLE_QUERY);
    escaping.percent = m_internetOptions.contains(Option::wHttpIo_ESCAPE_PERCENT);
    return joinHttpUrl(m_cracked, m_internetOptions.contains(Option::wHttpIo_SECURE), escaping);
}

std::unique_ptr<HttpRequest> TALWinHttpClient::SendRequest(std::istream* requestData) {
    Connect();
    std::unique_ptr<HttpRequest> request;
    try {
        HttpRequestSettings settings;
        settings.method = m_requestMethod == TALHTTPRequestMethod::HTTPrm_Post ? "POST" : "GET";
        settings.url = requestUrl();
        settings.version = m_protocolVersion == TALHTTPProtocolVersion::HTTPpv_1_0 ? HttpVersion::Http10
                                                                                   : HttpVersion::Http11;
        settings.headers = m_requestHeader.rawHeaderLines();
        if (RequestFlags() & kFlagRefresh) {
            // WINHTTP_FLAG_REFRESH asks caches along the way for a fresh copy.
            if (m_requestHeader.Pragma().empty())
                settings.headers.push_back("Pragma: no-cache");
            if (m_requestHeader.CacheControl().empty() && settings.version == HttpVersion::Http11)
                settings.headers.push_back("Cache-Control: no-cache");
        }
        const Timeouts timeouts = AppliedTimeouts();
        settings.connectTimeout = timeouts.connect;
        settings.sendTimeout = timeouts.send;
        settings.receiveTimeout = timeouts.receive;
        settings.keepAlive = m_internetOptions.contains(Option::wHttpIo_Keep_connection);
        settings.cookies = !m_internetOptions.contains(Option::wHttpIo_No_cookies);
        settings.followRedirects = !m_internetOptions.contains(Option::wHttpIo_No_auto_redirect);
        settings.proxyUserName = m_proxyParams.ProxyUserName();
        settings.proxyPassword = m_proxyParams.ProxyPassword();

        const std::int64_t total = bodySize(requestData);
        settings.bodyLength = total;
        try {
            request = std::make_unique<HttpRequest>(*m_session, std::move(settings));
            if (m_waitCallback)
                request->setWaitCallback(m_waitCallback, m_waitInterval);
            if (total <= m_uploadBufferSize) {
                if (total > 0) {
                    std::string body(static_cast<std::size_t>(total), '\0');
                    if (readSome(*requestData, body.data(), body.size()) != body.size())
                        throw EALHTTPClientException("Invalid HTTP Request: Length is 0", 0);
                    request->send(body);
                }
            } else {
                // Chunked upload: WinHttpSendRequest with the total, then one
                // WinHttpWriteData per chunk of UploadBufferSize bytes.
                std::vector<char> chunk(
                    static_cast<std::size_t>(std::max<std::int32_t>(m_uploadBufferSize, 1)));
                std::int64_t sent = 0;
                while (sent < total) {
                    const std::size_t want = static_cast<std::size_t>(
                        std::min<std::int64_t>(static_cast<std::int64_t>(chunk.size()), total - sent));
                    const std::size_t got = readSome(*requestData, chunk.data(), want);
                    if (got == 0)
                        throw EALHTTPClientException("Invalid HTTP Request: Length is 0", 0);
                    request->send(std::string_view(chunk.data(), got));
                    sent += static_cast<std::int64_t>(got);
                    if (OnUploadProgress)
                        OnUploadProgress(*this, clamp32(sent), clamp32(total));
                }
            }
            request->receiveResponse();
        } catch (const HttpTransportError& error) {
            CheckError(error);
        }
    } catch (...) {
        request.reset();
        disconnectAfterFailure();
        throw;
    }
    return request;
}

void TALWinHttpClient::ReceiveResponse(HttpRequest& request, std::ostream& response,
                                       TALHTTPResponseHeader* responseHeader) {
    if (responseHeader != nullptr)
        responseHeader->setRawHeaderText(request.rawHeaders());
    const int status = request.statusCode();
    if (status >= 300)
        throw EALHTTPClientException(
            request.reasonPhrase() + " (" + std::to_string(status) + ") - '" + m_url + "'", status);

    const std::int32_t contentLength = clamp32(request.contentLength().value_or(0));
    std::vector<char> block(kReadBlockSize);
    std::int64_t total = 0;
    for (;;) {
        std::size_t got = 0;
        try {
            got = request.read(block.data(), block.size());
        } catch (const HttpTransportError& error) {
            CheckError(error);
        }
        if (got == 0)
            break;
        if (!response.write(block.data(), static_cast<std::streamsize>(got)))
            throw IoError("the response could not be stored", 0);
        total += static_cast<std::int64_t>(got);
        if (OnDownloadProgress)
            OnDownloadProgress(*this, clamp32(total), contentLength);
    }
}

void TALWinHttpClient::Execute(std::istream* requestData, std::ostream& response,
                               TALHTTPResponseHeader* responseHeader) {
    if (m_url.empty())
        throw EALHTTPClientException("Empty URL", 0);
    std::unique_ptr<HttpRequest> request = SendRequest(requestData);
    try {
        ReceiveResponse(*request, response, responseHeader);
    } catch (const EALHTTPClientException&) {
        request.reset();
        disconnectAfterFailure();
        throw;
    }
}

} // namespace sw
