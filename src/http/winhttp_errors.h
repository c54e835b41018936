#pragma once

// The WinHTTP error codes (winhttp.h, ERROR_WINHTTP_*) the catalogue's client reports, with
// the system's text for each, and the transport's failures turned into them.

#include "platform/http_transport_error.h"

#include <cstdint>
#include <string_view>

namespace sw {

namespace winhttp_error {
inline constexpr std::uint32_t kTimeout = 12002;
inline constexpr std::uint32_t kInternalError = 12004;
inline constexpr std::uint32_t kInvalidUrl = 12005;
inline constexpr std::uint32_t kUnrecognizedScheme = 12006;
inline constexpr std::uint32_t kNameNotResolved = 12007;
inline constexpr std::uint32_t kOperationCancelled = 12017;
inline constexpr std::uint32_t kCannotConnect = 12029;
inline constexpr std::uint32_t kConnectionError = 12030;
inline constexpr std::uint32_t kSecureCertDateInvalid = 12037;
inline constexpr std::uint32_t kSecureCertCnInvalid = 12038;
inline constexpr std::uint32_t kSecureInvalidCa = 12045;
inline constexpr std::uint32_t kInvalidServerResponse = 12152;
inline constexpr std::uint32_t kRedirectFailed = 12156;
inline constexpr std::uint32_t kSecureFailure = 12175;
} // namespace winhttp_error

// The WinHTTP code of a transport failure.
std::uint32_t winHttpErrorCode(HttpFailure failure);

// The system's text for a WinHTTP code (as FormatMessage gives it from winhttp.dll's message
// table, without its line end); empty for a code this client never reports.
std::string_view winHttpErrorText(std::uint32_t code);

} // namespace sw
