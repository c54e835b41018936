#pragma once

// The abstract HTTP client: the settings every HTTP client shares (URL, header set, proxy,
// time-outs, protocol version, method) and Get on top of Execute. TALWinHttpClient
// (winhttp_client.h) is the one that talks to the network.

#include "http/http_client_exception.h"
#include "http/http_client_proxy_params.h"
#include "http/http_request_header.h"
#include "http/http_response_header.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

namespace sw {

enum class TALHTTPProtocolVersion { HTTPpv_1_0, HTTPpv_1_1 };
enum class TALHTTPRequestMethod { HTTPrm_Get, HTTPrm_Post };

class TALHTTPClient;

using TALHTTPClientUploadProgressEvent =
    std::function<void(TALHTTPClient& sender, std::int32_t Sent, std::int32_t Total)>;
using TALHTTPClientDownloadProgressEvent =
    std::function<void(TALHTTPClient& sender, std::int32_t Read, std::int32_t Total)>;
using TAlHTTPClientRedirectEvent = std::function<void(TALHTTPClient& sender, const std::string& NewURL)>;

class TALHTTPClient {
public:
    static constexpr std::int32_t kDefaultUploadBufferSize = 32768;

    TALHTTPClient();
    virtual ~TALHTTPClient();
    TALHTTPClient(const TALHTTPClient&) = delete;
    TALHTTPClient& operator=(const TALHTTPClient&) = delete;

    // The overridable operations, in the order a derived client expects them.
    virtual void setURL(const std::string& value);
    virtual void setUserName(const std::string& value);
    virtual void setPassword(const std::string& value);
    virtual void OnProxyParamsChange(int propertyIndex);
    virtual void OnRequestHeaderChange(int propertyIndex);
    virtual void setUploadBufferSize(std::int32_t value); // a negative value is ignored
    // One complete request for URL and the request method: the body (or none) goes out, the
    // response body is appended to `response`, its header text put in `responseHeader`
    // (or dropped). Does nothing here.
    virtual void Execute(std::istream* requestData, std::ostream& response,
                         TALHTTPResponseHeader* responseHeader);

    // The response body of a GET of `url`, byte for byte.
    std::string Get(const std::string& url);
    void Get(const std::string& url, std::ostream& response, TALHTTPResponseHeader* responseHeader);

    const std::string& URL() const { return m_url; }
    std::int32_t ConnectTimeout() const { return m_connectTimeout; }
    void setConnectTimeout(std::int32_t milliseconds) { m_connectTimeout = milliseconds; }
    void setSendTimeout(std::int32_t milliseconds) { m_sendTimeout = milliseconds; }
    void setReceiveTimeout(std::int32_t milliseconds) { m_receiveTimeout = milliseconds; }
    std::int32_t UploadBufferSize() const { return m_uploadBufferSize; }
    TALHTTPClientProxyParams& ProxyParams() { return m_proxyParams; }
    const TALHTTPClientProxyParams& ProxyParams() const { return m_proxyParams; }
    TALHTTPRequestHeader& RequestHeader() { return m_requestHeader; }
    const TALHTTPRequestHeader& RequestHeader() const { return m_requestHeader; }
    void setProtocolVersion(TALHTTPProtocolVersion value) { m_protocolVersion = value; }
    void setRequestMethod(TALHTTPRequestMethod value) { m_requestMethod = value; }
    const std::string& Password() const { return m_password; }

    TALHTTPClientUploadProgressEvent OnUploadProgress;
    TALHTTPClientDownloadProgressEvent OnDownloadProgress;
    TAlHTTPClientRedirectEvent OnRedirect;

protected:
    std::string m_url;
    std::int32_t m_connectTimeout = 0;
    std::int32_t m_sendTimeout = 0;
    std::int32_t m_receiveTimeout = 0;
    std::int32_t m_uploadBufferSize = kDefaultUploadBufferSize;
    TALHTTPClientProxyParams m_proxyParams;
    TALHTTPRequestHeader m_requestHeader;
    TALHTTPProtocolVersion m_protocolVersion = TALHTTPProtocolVersion::HTTPpv_1_1;
    TALHTTPRequestMethod m_requestMethod = TALHTTPRequestMethod::HTTPrm_Get;
    std::string m_userName;
    std::string m_password;
};

} // namespace sw
