#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace sw {

// The proxy settings of an HTTP client. OnChange reports the index of a field whose
// value really changed: 0 bypass, 1 server, 2 port, 3 user name, 4 password.
class TALHTTPClientProxyParams {
public:
    enum FieldIndex : int { kProxyBypass, kProxyServer, kProxyPort, kProxyUserName, kProxyPassword };

    const std::string& ProxyBypass() const { return m_proxyBypass; }
    void setProxyBypass(const std::string& value) { update(m_proxyBypass, value, kProxyBypass); }
    const std::string& ProxyServer() const { return m_proxyServer; }
    void setProxyServer(const std::string& value) { update(m_proxyServer, value, kProxyServer); }
    std::int32_t ProxyPort() const { return m_proxyPort; }
    void setProxyPort(std::int32_t value) { update(m_proxyPort, value, kProxyPort); }
    const std::string& ProxyUserName() const { return m_proxyUserName; }
    void setProxyUserName(const std::string& value) { update(m_proxyUserName, value, kProxyUserName); }
    const std::string& ProxyPassword() const { return m_proxyPassword; }
    void setProxyPassword(const std::string& value) { update(m_proxyPassword, value, kProxyPassword); }

    // Back to all empty and port 0, reporting each field that changed.
    void clear();

    std::function<void(TALHTTPClientProxyParams& sender, int index)> OnChange;

private:
    template <typename T> void update(T& field, const T& value, int index) {
        if (field == value)
            return;
        field = value;
        if (OnChange)
            OnChange(*this, index);
    }

    std::string m_proxyBypass;
    std::string m_proxyServer;
    std::int32_t m_proxyPort = 0;
    std::string m_proxyUserName;
    std::string m_proxyPassword;
};

} // namespace sw
