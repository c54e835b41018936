#pragma once

#include <cstdint>

namespace sw {

// Where an archive component reports its progress: a percentage (0..100) on every
// progress step, and a reset when it sets up a new archive. A visual meter adapts it.
class TAbMeterLink {
public:
    virtual ~TAbMeterLink() = default;
    virtual void DoProgress(std::uint8_t progress) = 0;
    virtual void Reset() = 0;
};

} // namespace sw
