#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sw::demo {

// Writes a zip archive of stored (method 0) entries in memory: enough for the demo's
// packages, whose textures the unzipper then reads back like any other archive.
// Layout (APPNOTE 4.3.6): a local header and the data for each entry, the central
// directory, then the end of central directory record. No data descriptors, no ZIP64:
// an archive past 4 GiB or 65535 entries is refused.
class StoredZipWriter {
public:
    // `name` uses "/" between folders (APPNOTE 4.4.17); a name ending in "/" is a folder.
    void add(const std::string& name, const std::string& data);
    std::string finish() const;

private:
    struct Entry {
        std::string name;
        std::uint32_t crc;
        std::uint32_t size;
        std::uint32_t offset;
    };
    std::vector<Entry> m_entries;
    std::string m_body;
};

} // namespace sw::demo
