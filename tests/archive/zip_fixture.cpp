#include "archive/zip_fixture.h"

#include "archive/crc32.h"
#include "archive/zip_crypto.h"

namespace sw::test {

namespace {
void le16(std::string& s, std::uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void le32(std::string& s, std::uint32_t v) {
    le16(s, v & 0xFFFF);
    le16(s, v >> 16);
}
} // namespace

void BitWriter::put(std::uint32_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        m_acc |= ((value >> i) & 1u) << m_count;
        if (++m_count == 8) {
            m_bytes += static_cast<char>(m_acc);
            m_acc = 0;
            m_count = 0;
        }
    }
}

void BitWriter::putCode(std::uint32_t code, unsigned length) {
    for (unsigned i = length; i-- > 0;)
        put((code >> i) & 1u, 1);
}

void BitWriter::alignToByte() {
    if (m_count)
        put(0, 8 - m_count);
}

void BitWriter::fixedLitlen(unsigned symbol) {
    if (symbol < 144)
        putCode(0x30 + symbol, 8);
    else if (symbol < 256)
        putCode(0x190 + symbol - 144, 9);
    else if (symbol < 280)
        putCode(symbol - 256, 7);
    else
        putCode(0xC0 + symbol - 280, 8);
}

void BitWriter::fixedMatch(unsigned length, unsigned distance) {
    static const unsigned lbase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                     31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const unsigned lextra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static const unsigned dbase[] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                     33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                     1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    static const unsigned dextra[] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                      6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
    unsigned l = 28;
    while (lbase[l] > length)
        --l;
    fixedLitlen(257 + l);
    put(length - lbase[l], lextra[l]);
    unsigned d = 29;
    while (dbase[d] > distance)
        --d;
    fixedDistanceSymbol(d);
    put(distance - dbase[d], dextra[d]);
}

std::string BitWriter::bytes() const {
    std::string out = m_bytes;
    if (m_count)
        out += static_cast<char>(m_acc);
    return out;
}

std::uint32_t crcOf(const std::string& data) {
    return crc32Update(0, reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
}

ZipEntry storedEntry(const std::string& name, const std::string& data) {
    ZipEntry e;
    e.name = name;
    e.payload = data;
    e.crc = crcOf(data);
    e.usize = static_cast<std::uint32_t>(data.size());
    return e;
}

ZipEntry deflatedEntry(const std::string& name, const std::string& data) {
    BitWriter w;
    w.put(1, 1); // BFINAL
    w.put(1, 2); // fixed Huffman
    for (unsigned char c : data)
        w.fixedLiteral(c);
    w.fixedEnd();
    ZipEntry e = storedEntry(name, data);
    e.payload = w.bytes();
    e.method = 8;
    return e;
}

ZipEntry encrypted(ZipEntry entry, const std::string& password) {
    std::string header = "0123456789A";
    header += static_cast<char>(entry.crc >> 24);
    std::string all = header + entry.payload;
    ZipCrypto crypto(password);
    crypto.encrypt(reinterpret_cast<std::uint8_t*>(all.data()), all.size());
    entry.payload = all;
    entry.flags |= 1;
    return entry;
}

std::string unicodePathField(const std::string& storedName, const std::string& utf8Name) {
    std::string f;
    le16(f, 0x7075);
    le16(f, static_cast<std::uint32_t>(5 + utf8Name.size()));
    f += '\x01';
    le32(f, crcOf(storedName));
    return f + utf8Name;
}

std::string buildZip(const std::vector<ZipEntry>& entries, const ZipLayout& layout) {
    std::string out = layout.prefix;
    std::string central;
    std::vector<std::uint32_t> offsets;
    for (const auto& e : entries) {
        const std::size_t base = layout.adjustOffsets ? 0 : layout.prefix.size();
        auto offset = static_cast<std::uint32_t>(out.size() - base);
        if (e.sameDataAs)
            offset = offsets.at(*e.sameDataAs);
        offsets.push_back(offset);
        auto common = [&](std::uint16_t method, std::uint32_t compressedSize) {
            std::string c;
            le16(c, e.flags);
            le16(c, method);
            le16(c, e.time);
            le16(c, e.date);
            le32(c, e.crc);
            le32(c, compressedSize);
            le32(c, e.usize);
            le16(c, static_cast<std::uint32_t>(e.name.size()));
            le16(c, static_cast<std::uint32_t>(e.extra.size()));
            return c;
        };
        const auto size = static_cast<std::uint32_t>(e.payload.size());
        if (!e.sameDataAs) {
            le32(out, 0x04034B50);
            le16(out, e.versionNeeded);
            out += common(e.localMethod.value_or(e.method), size) + e.name + e.extra + e.payload;
        }

        le32(central, 0x02014B50);
        le16(central, e.versionMadeBy);
        le16(central, e.versionNeeded);
        central += common(e.method, e.centralCompressedSize.value_or(size));
        le16(central, 0); // comment length
        le16(central, 0); // disk number start
        le16(central, 0); // internal attributes
        le32(central, e.externalAttributes);
        le32(central, offset);
        central += e.name + e.extra;
    }
    const auto cdOffset =
        static_cast<std::uint32_t>(out.size() - (layout.adjustOffsets ? 0 : layout.prefix.size()));
    out += central;
    const std::uint16_t count = layout.countField.value_or(static_cast<std::uint16_t>(entries.size()));
    le32(out, 0x06054B50);
    le16(out, 0);
    le16(out, 0);
    le16(out, count);
    le16(out, count);
    le32(out, static_cast<std::uint32_t>(central.size()));
    le32(out, cdOffset);
    le16(out, static_cast<std::uint32_t>(layout.comment.size()));
    return out + layout.comment;
}

} // namespace sw::test
