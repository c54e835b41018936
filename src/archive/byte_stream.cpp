#include "archive/byte_stream.h"

#include <algorithm>
#include <cstring>

namespace sw {

std::size_t RangeSource::read(std::uint8_t* buffer, std::size_t size) {
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(size, m_remaining));
    if (wanted == 0)
        return 0;
    const std::size_t got = m_input.readAt(m_offset, buffer, wanted);
    m_offset += got;
    // A short read means the input ended early; later reads then report the end as well.
    m_remaining = got < wanted ? 0 : m_remaining - got;
    return got;
}

std::size_t MemoryInput::readAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) {
    if (offset >= m_size)
        return 0;
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(size, m_size - offset));
    std::memcpy(buffer, m_data + offset, n);
    return n;
}

} // namespace sw
