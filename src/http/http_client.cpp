#include "http/http_client.h"

#include <sstream>

namespace sw {

TALHTTPClient::TALHTTPClient() {
    // The handlers are virtual: a derived client hears about changes made after it exists.
    m_proxyParams.OnChange = [this](TALHTTPClientProxyParams&, int index) { OnProxyParamsChange(index); };
    m_requestHeader.OnChange = [this](TALHTTPRequestHeader&, int index) { OnRequestHeaderChange(index); };
}

TALHTTPClient::~TALHTTPClient() = default;

void TALHTTPClient::setURL(const std::string& value) {
    m_url = value;
}
void TALHTTPClient::setUserName(const std::string& value) {
    m_userName = value;
}
void TALHTTPClient::setPassword(const std::string& value) {
    m_password = value;
}
void TALHTTPClient::OnProxyParamsChange(int) {}
void TALHTTPClient::OnRequestHeaderChange(int) {}

void TALHTTPClient::setUploadBufferSize(std::int32_t value) {
    if (value >= 0)
        m_uploadBufferSize = value;
}

void TALHTTPClient::Execute(std::istream*, std::ostream&, TALHTTPResponseHeader*) {}

std::string TALHTTPClient::Get(const std::string& url) {
    std::ostringstream response(std::ios::binary);
    Get(url, response, nullptr);
    return std::move(response).str();
}

void TALHTTPClient::Get(const std::string& url, std::ostream& response,
                        TALHTTPResponseHeader* responseHeader) {
    setURL(url);
    setRequestMethod(TALHTTPRequestMethod::HTTPrm_Get);
    Execute(nullptr, response, responseHeader);
}

} // namespace sw
