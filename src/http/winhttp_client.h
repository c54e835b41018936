#pragma once

// The HTTP client the catalogue is fetched with. It behaves as a client over WinHTTP:
// one session and connection serve every request to the same host and port until
// Disconnect (a host or port change, a change of user agent, user name, password, access
// type or proxy, any failed request, destruction); every failure is an
// EALHTTPClientException whose message the user reads:
//   "Empty URL"
//   "Invalid url '<url>' - only supports 'http' and 'https' schemes"   (before any connection)
//   "<WinHTTP's text> - URL:<url>"   (a failed call: ErrorCode() is its ERROR_WINHTTP_* code)
//   "<reason phrase> (<status>) - '<url>'"                              (status 300 or more)
//   "Invalid HTTP Request: Length is 0"                                 (upload stream ran dry)
// Time-outs of 0 (or less) are WinHTTP's own defaults: 60 s to connect, 30 s to send, 30 s
// between received bytes. The transport is libcurl (platform/http_session.h). OnStatusChange receives
// WinHTTP's status numbers for the steps listed in http_session.h (winhttp_status); its information is the
// host name, the address or the new URL as single-byte text, or none.

#include "http/http_client.h"
#include "http/http_url_parts.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>

namespace sw {

class HttpRequest;
class HttpSession;
class HttpTransportError;

enum class TALWinHttpClientInternetOpenAccessType {
    wHttpAt_NO_PROXY,
    wHttpAt_DEFAULT_PROXY,
    wHttpAt_NAMED_PROXY
};

enum class TAlWinHttpClientInternetOption {
    wHttpIo_Async,
    wHttpIo_BYPASS_PROXY_CACHE,
    wHttpIo_ESCAPE_DISABLE,
    wHttpIo_ESCAPE_DISABLE_QUERY,
    wHttpIo_ESCAPE_PERCENT,
    wHttpIo_NULL_CODEPAGE,
    wHttpIo_REFRESH,
    wHttpIo_SECURE,
    wHttpIo_Keep_connection,
    wHttpIo_No_cookies,
    wHttpIo_No_auto_redirect,
};

// A set of TAlWinHttpClientInternetOption, one bit each (16 bits).
class TALWinHttpClientInternetOptionSet {
public:
    TALWinHttpClientInternetOptionSet() = default;
    TALWinHttpClientInternetOptionSet(std::initializer_list<TAlWinHttpClientInternetOption> options) {
        for (auto option : options)
            insert(option);
    }
    bool contains(TAlWinHttpClientInternetOption option) const { return (m_bits & bit(option)) != 0; }
    void insert(TAlWinHttpClientInternetOption option) {
        m_bits = static_cast<std::uint16_t>(m_bits | bit(option));
    }
    void erase(TAlWinHttpClientInternetOption option) {
        m_bits = static_cast<std::uint16_t>(m_bits & ~bit(option));
    }
    std::uint16_t bits() const { return m_bits; }
    bool operator==(const TALWinHttpClientInternetOptionSet&) const = default;

private:
    static std::uint16_t bit(TAlWinHttpClientInternetOption option) {
        return static_cast<std::uint16_t>(1u << static_cast<unsigned>(option));
    }
    std::uint16_t m_bits = 0;
};

using TALWinHttpClientStatusChangeEvent =
    std::function<void(TALHTTPClient& sender, std::uint32_t InternetStatus, const void* StatusInformation,
                       std::uint32_t StatusInformationLength)>;

class TALWinHttpClient : public TALHTTPClient {
public:
    static constexpr const char* kDefaultUserAgent = "Mozilla/3.0 (compatible; TALWinHttpClient)";

    TALWinHttpClient();
    ~TALWinHttpClient() override;

    void setURL(const std::string& value) override;
    void setUserName(const std::string& value) override;
    void setPassword(const std::string& value) override;
    void OnProxyParamsChange(int propertyIndex) override;
    void OnRequestHeaderChange(int propertyIndex) override;
    void Execute(std::istream* requestData, std::ostream& response,
                 TALHTTPResponseHeader* responseHeader) override;

    // Sends the request for URL with `requestData` (rewound first; none for a GET) and
    // returns it with the response's headers received.
    virtual std::unique_ptr<HttpRequest> SendRequest(std::istream* requestData);
    // Raises for a status of 300 or more; otherwise appends the body to `response`,
    // raising OnDownloadProgress after each block.
    virtual void ReceiveResponse(HttpRequest& request, std::ostream& response,
                                 TALHTTPResponseHeader* responseHeader);

    void setAccessType(TALWinHttpClientInternetOpenAccessType value);
    void setInternetOptions(const TALWinHttpClientInternetOptionSet& value) { m_internetOptions = value; }

    TALWinHttpClientStatusChangeEvent OnStatusChange;

    // While a request waits for the network, `callback` runs at least every `interval` (the
    // window's message pump). Returning false ends the request: it raises
    // ERROR_WINHTTP_OPERATION_CANCELLED. None by default: the request simply blocks.
    void setWaitCallback(std::function<bool()> callback, std::chrono::milliseconds interval);

    // The time-outs each request gets: the properties where they are greater than 0, else
    // WinHTTP's defaults (kDefaultConnectTimeout, kDefaultSendTimeout, kDefaultReceiveTimeout).
    struct Timeouts {
        std::chrono::milliseconds connect, send, receive;
    };
    Timeouts AppliedTimeouts() const;
    static constexpr std::chrono::milliseconds kDefaultConnectTimeout{60000};
    static constexpr std::chrono::milliseconds kDefaultSendTimeout{30000};
    static constexpr std::chrono::milliseconds kDefaultReceiveTimeout{30000};

    // WinHttpOpenRequest's flags for the options and the current URL's scheme.
    std::uint32_t RequestFlags() const;

    // The state behind the session: connected flag and the cracked parts of URL.
    bool Connected() const { return m_connected; }
    const HttpUrlParts& CrackedUrl() const { return m_cracked; }
    // The address a request for the current URL gives the transport: the cracked parts
    // joined again, the path escaped by the options.
    std::string requestUrl() const;

protected:
    void CrackUrl(const std::string& url);
    void Connect();
    void Disconnect();
    [[noreturn]] void CheckError(const HttpTransportError& error);

private:
    void disconnectAfterFailure() noexcept;

    TALWinHttpClientInternetOpenAccessType m_accessType =
        TALWinHttpClientInternetOpenAccessType::wHttpAt_NO_PROXY;
    TALWinHttpClientInternetOptionSet m_internetOptions{
        TAlWinHttpClientInternetOption::wHttpIo_Keep_connection};
    std::unique_ptr<HttpSession> m_session;
    std::function<bool()> m_waitCallback;
    std::chrono::milliseconds m_waitInterval{50};
    bool m_connected = false;
    HttpUrlParts m_cracked;
};

} // namespace sw
