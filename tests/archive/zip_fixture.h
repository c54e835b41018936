#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sw::test {

// Writes bits least significant first, as deflate and the older zip methods read them
// (libdeflate's put_bits), with helpers for deflate's fixed Huffman code (RFC 1951 3.2.6).
class BitWriter {
public:
    void put(std::uint32_t value, unsigned count);
    // A Huffman code, whose bits go most significant first.
    void putCode(std::uint32_t code, unsigned length);
    void alignToByte();
    void putByte(std::uint8_t b) { put(b, 8); }

    void fixedLitlen(unsigned symbol); // 0..287
    void fixedLiteral(std::uint8_t b) { fixedLitlen(b); }
    void fixedEnd() { fixedLitlen(256); }
    // A length 3..258 and a distance 1..32768 in the fixed code (deflate, not Deflate64).
    void fixedMatch(unsigned length, unsigned distance);
    void fixedDistanceSymbol(unsigned symbol) { putCode(symbol, 5); }

    std::string bytes() const;

private:
    std::string m_bytes;
    std::uint32_t m_acc = 0;
    unsigned m_count = 0;
};

// One entry of a zip made in memory. `payload` is the data exactly as stored (already
// compressed and, with bit 0, encrypted).
struct ZipEntry {
    std::string name;
    std::string payload;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint32_t usize = 0;
    std::uint16_t flags = 0;
    std::uint16_t versionNeeded = 20;
    std::uint16_t versionMadeBy = 20; // MS-DOS
    std::uint32_t externalAttributes = 0;
    std::uint16_t time = 0x6000; // 12:00:00
    std::uint16_t date = 0x5021; // 2020-01-01
    std::string extra;           // the extra field, in both headers

    // Hostile shapes.
    std::optional<std::size_t> sameDataAs; // no local header: the central one points at entry k's
    std::optional<std::uint32_t> centralCompressedSize; // the central size, if not the payload's
    std::optional<std::uint16_t> localMethod;           // the local header's method, if not `method`
};

ZipEntry storedEntry(const std::string& name, const std::string& data);
// Deflate with the fixed code: literals only, one block.
ZipEntry deflatedEntry(const std::string& name, const std::string& data);
// Encrypts an entry's payload with the traditional encryption (check byte from the CRC).
ZipEntry encrypted(ZipEntry entry, const std::string& password);

struct ZipLayout {
    std::string prefix;                      // bytes before the first local header
    std::optional<std::uint16_t> countField; // the end record's entry count, if not the true one
    std::string comment;
    bool adjustOffsets = false; // offsets count from the file's start, prefix included
};

std::string buildZip(const std::vector<ZipEntry>& entries, const ZipLayout& layout = {});

std::uint32_t crcOf(const std::string& data);

// A Unicode Path extra field (0x7075) giving `utf8Name` for the stored name `storedName`.
std::string unicodePathField(const std::string& storedName, const std::string& utf8Name);

} // namespace sw::test
