#include "http/http_client_proxy_params.h"

namespace sw {

void TALHTTPClientProxyParams::clear() {
    setProxyBypass({});
    setProxyServer({});
    setProxyPort(0);
    setProxyUserName({});
    setProxyPassword({});
}

} // namespace sw
