#pragma once

#include <string>

namespace sw {

// The response's status line and header lines as received, each ending in CR LF, with
// the empty line that closes them.
class TALHTTPResponseHeader {
public:
    const std::string& RawHeaderText() const { return m_rawHeaderText; }
    void setRawHeaderText(const std::string& text) { m_rawHeaderText = text; }

private:
    std::string m_rawHeaderText;
};

} // namespace sw
