#include "http/winhttp_errors.h"

#include <array>
#include <utility>

namespace sw {

namespace {

constexpr std::array<std::pair<std::uint32_t, std::string_view>, 14> kTexts{{
    {winhttp_error::kTimeout, "The operation timed out"},
    {winhttp_error::kInternalError, "An internal error occurred in the HTTP services"},
    {winhttp_error::kInvalidUrl, "The URL is invalid"},
    {winhttp_error::kUnrecognizedScheme, "The URL specified a scheme other than \"http:\" or \"https:\""},
    {winhttp_error::kNameNotResolved, "The server name or address could not be resolved"},
    {winhttp_error::kOperationCancelled, "The operation was canceled"},
    {winhttp_error::kCannotConnect, "A connection with the server could not be established"},
    {winhttp_error::kConnectionError, "The connection with the server was terminated abnormally"},
    {winhttp_error::kSecureCertDateInvalid,
     "The server's security certificate has expired or is not yet valid"},
    {winhttp_error::kSecureCertCnInvalid,
     "The server's security certificate was issued for another host name"},
    {winhttp_error::kSecureInvalidCa,
     "The server's security certificate was issued by a certificate authority that is not trusted"},
    {winhttp_error::kInvalidServerResponse, "The server returned an invalid or unrecognized response"},
    {winhttp_error::kRedirectFailed,
     "The redirection failed because either the scheme changed or all attempts made to redirect failed"},
    {winhttp_error::kSecureFailure, "A security error occurred"},
}};

} // namespace

std::uint32_t winHttpErrorCode(HttpFailure failure) {
    switch (failure) {
    case HttpFailure::MalformedUrl:
        return winhttp_error::kInvalidUrl;
    case HttpFailure::UnsupportedScheme:
        return winhttp_error::kUnrecognizedScheme;
    case HttpFailure::Resolve:
        return winhttp_error::kNameNotResolved;
    case HttpFailure::Connect:
        return winhttp_error::kCannotConnect;
    case HttpFailure::Timeout:
        return winhttp_error::kTimeout;
    case HttpFailure::Reset:
    case HttpFailure::PartialBody:
        return winhttp_error::kConnectionError;
    case HttpFailure::Aborted:
        return winhttp_error::kOperationCancelled;
    case HttpFailure::BadResponse:
    case HttpFailure::EmptyReply:
        return winhttp_error::kInvalidServerResponse;
    case HttpFailure::RedirectFailed:
        return winhttp_error::kRedirectFailed;
    case HttpFailure::Tls:
        return winhttp_error::kSecureFailure;
    case HttpFailure::CertificateAuthority:
        return winhttp_error::kSecureInvalidCa;
    case HttpFailure::CertificateDate:
        return winhttp_error::kSecureCertDateInvalid;
    case HttpFailure::CertificateName:
        return winhttp_error::kSecureCertCnInvalid;
    case HttpFailure::Other:
        break;
    }
    return winhttp_error::kInternalError;
}

std::string_view winHttpErrorText(std::uint32_t code) {
    for (const auto& [known, text] : kTexts)
        if (known == code)
            return text;
    return {};
}

} // namespace sw
