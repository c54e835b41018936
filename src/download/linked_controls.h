#pragma once

// The controls a downloader keeps up to date, as the core sees them. The window adapts its
// own (a QLabel, a QProgressBar); the downloader holds plain pointers and owns nothing.

#include <cstdint>
#include <string>

namespace sw {

class LinkedLabel {
public:
    virtual ~LinkedLabel() = default;
    virtual void setCaption(const std::string& caption) = 0; // UTF-8
};

class LinkedProgressBar {
public:
    virtual ~LinkedProgressBar() = default;
    // Byte counts; an adapter whose widget holds 32-bit values scales them.
    virtual void setRange(std::int64_t minimum, std::int64_t maximum) = 0;
    virtual void setPosition(std::int64_t position) = 0;
};

} // namespace sw
