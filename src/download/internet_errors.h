#pragma once

// WinINet's error codes (wininet.h, ERROR_INTERNET_BASE = 12000) as the downloader reports
// them, and the transport's failures turned into them.

#include "platform/http_transport_error.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace sw {

struct InternetErrorRow {
    std::uint32_t code;
    std::string_view message; // symbolic name, " - ", one sentence
};

// The rows of `InternetErrorTable` (the component's 59 and two for HTTPS), in ascending order.
std::span<const InternetErrorRow> InternetErrorTable();

// The row's message for `code`, or nullopt when the table has no such row.
std::optional<std::string_view> internetErrorMessage(std::uint32_t code);

// The codes the checks react to: 12001 (INTERNET_ERROR_BASE + 1) to 12171 (INTERNET_ERROR_LAST).
inline constexpr std::uint32_t kInternetErrorFirst = 12001;
inline constexpr std::uint32_t kInternetErrorLast = 12171;

namespace wininet {
inline constexpr std::uint32_t kTimeout = 12002;
inline constexpr std::uint32_t kInternalError = 12004;
inline constexpr std::uint32_t kInvalidUrl = 12005;
inline constexpr std::uint32_t kUnrecognizedScheme = 12006;
inline constexpr std::uint32_t kNameNotResolved = 12007;
inline constexpr std::uint32_t kCannotConnect = 12029;
inline constexpr std::uint32_t kConnectionAborted = 12030;
inline constexpr std::uint32_t kConnectionReset = 12031;
inline constexpr std::uint32_t kCertDateInvalid = 12037;
inline constexpr std::uint32_t kCertNameInvalid = 12038;
inline constexpr std::uint32_t kInvalidCa = 12045;
inline constexpr std::uint32_t kHeaderNotFound = 12150;
inline constexpr std::uint32_t kInvalidServerResponse = 12152;
inline constexpr std::uint32_t kRedirectFailed = 12156;
inline constexpr std::uint32_t kSecurityChannelError = 12157;
} // namespace wininet

// The WinINet code of a transport failure. A body cut short (PartialBody) is no error for
// WinINet's reader, which simply sees the data end: it gives 0.
std::uint32_t internetErrorCode(HttpFailure failure);

} // namespace sw
