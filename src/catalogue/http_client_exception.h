#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace sw {

// Every failure of the HTTP client: the message the user reads in the error box and the
// HTTP status that caused it (0 when the failure was not an HTTP status).
class EALHTTPClientException : public std::runtime_error {
public:
    EALHTTPClientException(const std::string& message, std::int32_t statusCode = 0)
        : std::runtime_error(message), m_statusCode(statusCode) {}

    std::int32_t StatusCode() const { return m_statusCode; }

private:
    std::int32_t m_statusCode;
};

} // namespace sw
