#include "archive/inflate_tables.h"

#include <array>
#include <string>

#include "archive/ab_exception.h"

namespace sw::inflate_tables {

namespace {

// RFC 1951 3.2.5. Deflate64 changes symbol 285 to base 3 with 16 extra bits and adds
// distance symbols 30 and 31 (PKWARE APPNOTE 4.4.5, method 9).
constexpr std::array<std::uint16_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                       15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                       67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, 32> kDistBase = {
    1,   2,   3,   4,   5,    7,    9,    13,   17,   25,   33,   49,    65,    97,    129,   193,
    257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr std::array<std::uint8_t, 32> kDistExtra = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};

std::uint32_t symbolEntry(TableType type, bool deflate64, unsigned sym, unsigned bits) {
    switch (type) {
    case TableType::Precode:
        return makeEntry(sym, kLiteral, 0, bits);
    case TableType::Litlen:
        if (sym < 256)
            return makeEntry(sym, kLiteral, kLitlenBits, bits);
        if (sym == 256)
            return makeEntry(0, kEndOfBlock, 0, bits);
        if (sym > 285)
            return makeEntry(sym, kInvalidSymbol, 0, bits);
        // A match entry counts its extra bits in its bits to consume.
        if (sym == 285 && deflate64)
            return makeEntry(3, kMatch, 16, bits + 16);
        return makeEntry(kLengthBase[sym - 257], kMatch, kLengthExtra[sym - 257],
                         bits + kLengthExtra[sym - 257]);
    case TableType::Distance:
        if (sym >= 30 && !deflate64)
            return makeEntry(sym, kInvalidSymbol, 0, bits);
        return makeEntry(kDistBase[sym], kMatch, kDistExtra[sym], bits + kDistExtra[sym]);
    }
    return makeEntry(0, kUnusedCode, 0, 0);
}

unsigned reverseBits(unsigned code, unsigned length) {
    unsigned r = 0;
    for (unsigned i = 0; i < length; ++i, code >>= 1)
        r = (r << 1) | (code & 1);
    return r;
}

} // namespace

// Builds the decode table of a canonical code from its code lengths. An over-subscribed set
// is an error; an incomplete one is accepted (RFC 1951 allows a single distance code) and its
// missing patterns decode as kUnusedCode.
void buildTable(std::vector<std::uint32_t>& table, unsigned tableBits, const std::uint8_t* lengths,
                unsigned count, TableType type, bool deflate64, const char* where) {
    std::array<unsigned, kMaxCodeLen + 2> lenCount{};
    for (unsigned i = 0; i < count; ++i)
        ++lenCount[lengths[i]];
    lenCount[0] = 0;
    int left = 1;
    unsigned maxLen = 0;
    for (unsigned len = 1; len <= kMaxCodeLen; ++len) {
        left = (left << 1) - static_cast<int>(lenCount[len]);
        if (left < 0)
            throw EAbInflateError(std::string("over-subscribed set of code lengths [") + where + "]");
        if (lenCount[len])
            maxLen = len;
    }
    std::array<unsigned, kMaxCodeLen + 2> offset{};
    for (unsigned len = 1; len <= kMaxCodeLen; ++len)
        offset[len + 1] = offset[len] + lenCount[len];
    std::array<std::uint16_t, 320> sorted{};
    for (unsigned sym = 0; sym < count; ++sym)
        if (lengths[sym])
            sorted[offset[lengths[sym]]++] = static_cast<std::uint16_t>(sym);

    const unsigned primarySize = 1u << tableBits;
    const std::uint32_t unused = makeEntry(0, kUnusedCode, 0, 0);
    // A complete code writes every primary entry, so only an incomplete one needs the fill.
    table.resize(primarySize);
    if (left != 0)
        std::fill(table.begin(), table.end(), unused);
    const unsigned subBits = maxLen > tableBits ? maxLen - tableBits : 0;

    unsigned code = 0;
    unsigned next = 0;
    // Canonical codes grow in value as their lengths do, so the long codes that share their
    // first tableBits bits come one after another: each run gets one subtable.
    unsigned lastPrefix = ~0u;
    unsigned base = 0;
    for (unsigned len = 1; len <= maxLen; ++len, code <<= 1) {
        for (unsigned k = 0; k < lenCount[len]; ++k, ++code) {
            const unsigned sym = sorted[next++];
            const unsigned rev = reverseBits(code, len);
            if (len <= tableBits) {
                const std::uint32_t e = symbolEntry(type, deflate64, sym, len);
                for (unsigned i = rev; i < primarySize; i += 1u << len)
                    table[i] = e;
                continue;
            }
            const unsigned prefix = code >> (len - tableBits);
            if (prefix != lastPrefix) {
                lastPrefix = prefix;
                base = static_cast<unsigned>(table.size());
                table[rev & (primarySize - 1)] = makeEntry(base, kSubtable, subBits, tableBits);
                table.resize(table.size() + (1u << subBits), unused);
            }
            const unsigned restLen = len - tableBits;
            const std::uint32_t e = symbolEntry(type, deflate64, sym, restLen);
            for (unsigned i = rev >> tableBits; i < (1u << subBits); i += 1u << restLen)
                table[base + i] = e;
        }
    }
}

} // namespace sw::inflate_tables
