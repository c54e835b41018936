#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace sw {

// Every failure of the HTTP client: the message the user reads in the error box and the
// HTTP status that caused it (0 when the failure was not an HTTP status). ErrorCode is the
// WinHTTP error (ERROR_WINHTTP_*) behind a failed call, 0 for every other failure.
class EALHTTPClientException : public std::runtime_error {
public:
    EALHTTPClientException(const std::string& message, std::int32_t statusCode = 0,
                           std::uint32_t errorCode = 0)
        : std::runtime_error(message), m_statusCode(statusCode), m_errorCode(errorCode) {}

    std::int32_t StatusCode() const { return m_statusCode; }
    std::uint32_t ErrorCode() const { return m_errorCode; }

private:
    std::int32_t m_statusCode;
    std::uint32_t m_errorCode;
};

} // namespace sw
