#pragma once

#include <string>
#include <sys/types.h>

namespace sw::test {

// An Xvfb server of our own on a free display number (Xvfb picks it and reports it through
// -displayfd), 1280 x 1024 at 24 bits, no TCP. Stopped by the destructor.
class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Starts it and waits (at most 20 s) until it accepts clients. False, with the reason in
    // error(), when Xvfb is missing or does not come up.
    bool start();
    const std::string& display() const { return m_display; } // ":N"
    const std::string& error() const { return m_error; }

private:
    pid_t m_pid = -1;
    std::string m_display;
    std::string m_error;
};

} // namespace sw::test
