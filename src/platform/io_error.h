#pragma once

#include <stdexcept>
#include <string>

namespace sw {

// An input/output error that ends the handler that met it; the window's error box shows
// what(). Carries the system's error number (0 when there is none).
class IoError : public std::runtime_error {
public:
    IoError(const std::string& message, int code) : std::runtime_error(message), m_code(code) {}

    // "<context>: <system text>" for an errno value.
    static IoError fromErrno(int errnoValue, const std::string& context);

    int code() const { return m_code; }

private:
    int m_code;
};

} // namespace sw
