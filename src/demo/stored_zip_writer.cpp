#include "demo/stored_zip_writer.h"

#include "demo/little_endian.h"

#include "archive/crc32.h"

#include <limits>
#include <stdexcept>

namespace sw::demo {

namespace {

// 2020-01-01 12:00:00 in MS-DOS form (APPNOTE 4.4.6).
constexpr std::uint32_t kDosTime = 0x6000;
constexpr std::uint32_t kDosDate = 0x5021;
constexpr std::uint32_t kVersionNeeded = 10; // stored entries only (APPNOTE 4.4.3.2)
constexpr std::uint32_t kMaxSize = std::numeric_limits<std::uint32_t>::max();

} // namespace

void StoredZipWriter::add(const std::string& name, const std::string& data) {
    if (name.empty() || name.size() > 0xFFFF)
        throw std::length_error("zip entry name must be 1 to 65535 bytes");
    if (m_entries.size() >= 0xFFFF)
        throw std::length_error("more than 65535 entries need ZIP64");
    if (data.size() > kMaxSize || m_body.size() + 30 + name.size() + data.size() > kMaxSize)
        throw std::length_error("archive past 4 GiB needs ZIP64");
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
    Entry entry{name, crc32Update(0, bytes, data.size()), static_cast<std::uint32_t>(data.size()),
                static_cast<std::uint32_t>(m_body.size())};

    // Local file header (APPNOTE 4.3.7).
    put32(m_body, 0x04034b50);
    put16(m_body, kVersionNeeded);
    put16(m_body, 0); // general purpose flags
    put16(m_body, 0); // method: stored
    put16(m_body, kDosTime);
    put16(m_body, kDosDate);
    put32(m_body, entry.crc);
    put32(m_body, entry.size); // compressed size
    put32(m_body, entry.size); // uncompressed size
    put16(m_body, static_cast<std::uint32_t>(name.size()));
    put16(m_body, 0); // extra field length
    m_body += name;
    m_body += data;
    m_entries.push_back(std::move(entry));
}

std::string StoredZipWriter::finish() const {
    std::string directory;
    for (const Entry& entry : m_entries) {
        // Central directory file header (APPNOTE 4.3.12).
        put32(directory, 0x02014b50);
        put16(directory, 20); // made by: MS-DOS, APPNOTE 2.0
        put16(directory, kVersionNeeded);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, kDosTime);
        put16(directory, kDosDate);
        put32(directory, entry.crc);
        put32(directory, entry.size);
        put32(directory, entry.size);
        put16(directory, static_cast<std::uint32_t>(entry.name.size()));
        put16(directory, 0); // extra field length
        put16(directory, 0); // comment length
        put16(directory, 0); // disk number start
        put16(directory, 0); // internal attributes
        const bool folder = entry.name.back() == '/';
        put32(directory, folder ? 0x10 : 0x20); // MS-DOS directory / archive attribute
        put32(directory, entry.offset);
        directory += entry.name;
    }
    if (m_body.size() + directory.size() > kMaxSize)
        throw std::length_error("archive past 4 GiB needs ZIP64");

    std::string out = m_body + directory;
    // End of central directory record (APPNOTE 4.3.16).
    put32(out, 0x06054b50);
    put16(out, 0); // this disk
    put16(out, 0); // disk of the central directory
    put16(out, static_cast<std::uint32_t>(m_entries.size()));
    put16(out, static_cast<std::uint32_t>(m_entries.size()));
    put32(out, static_cast<std::uint32_t>(directory.size()));
    put32(out, static_cast<std::uint32_t>(m_body.size()));
    put16(out, 0); // comment length
    return out;
}

} // namespace sw::demo
