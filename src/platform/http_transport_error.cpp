#include "platform/http_transport_error.h"

#include <curl/curl.h>

namespace sw {

namespace {

HttpFailure classify(CURLcode code) {
    switch (code) {
    case CURLE_URL_MALFORMAT:
        return HttpFailure::MalformedUrl;
    case CURLE_UNSUPPORTED_PROTOCOL:
        return HttpFailure::UnsupportedScheme;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return HttpFailure::Resolve;
    case CURLE_COULDNT_CONNECT:
        return HttpFailure::Connect;
    case CURLE_OPERATION_TIMEDOUT:
        return HttpFailure::Timeout;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        return HttpFailure::Reset;
    case CURLE_ABORTED_BY_CALLBACK:
        return HttpFailure::Aborted;
    case CURLE_WEIRD_SERVER_REPLY:
        return HttpFailure::BadResponse;
    case CURLE_GOT_NOTHING:
        return HttpFailure::EmptyReply;
    case CURLE_PARTIAL_FILE:
        return HttpFailure::PartialBody;
    case CURLE_TOO_MANY_REDIRECTS:
        return HttpFailure::RedirectFailed;
    case CURLE_PEER_FAILED_VERIFICATION:
        return HttpFailure::CertificateAuthority;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
        return HttpFailure::Tls;
    default:
        return HttpFailure::Other;
    }
}

} // namespace

HttpTransportError HttpTransportError::fromCurlCode(int curlCode) {
    const auto code = static_cast<CURLcode>(curlCode);
    return HttpTransportError(classify(code), curlCode, curl_easy_strerror(code));
}

} // namespace sw
