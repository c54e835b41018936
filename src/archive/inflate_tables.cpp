#include "archive/inflate_tables.h"

#include <algorithm>
#include <array>
#include <cstring>
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

// The entry of each symbol without its code length, which buildTable adds to the bit count
// (a match's count already holds its extra bits).
struct SymbolEntries {
    std::array<std::uint32_t, 288> litlen[2]{};
    std::array<std::uint32_t, 32> distance[2]{};
    std::array<std::uint32_t, 19> precode{};
    constexpr SymbolEntries() {
        for (unsigned d64 = 0; d64 < 2; ++d64) {
            for (unsigned sym = 0; sym < 288; ++sym) {
                std::uint32_t e;
                if (sym < 256)
                    e = makeEntry(sym, kLiteral, kLitlenBits, 0);
                else if (sym == 256)
                    e = makeEntry(0, kEndOfBlock, 0, 0);
                else if (sym > 285)
                    e = makeEntry(sym, kInvalidSymbol, 0, 0);
                else if (sym == 285 && d64)
                    e = makeEntry(3, kMatch, 16, 16);
                else
                    e = makeEntry(kLengthBase[sym - 257], kMatch, kLengthExtra[sym - 257],
                                  kLengthExtra[sym - 257]);
                litlen[d64][sym] = e;
            }
            for (unsigned sym = 0; sym < 32; ++sym)
                distance[d64][sym] =
                    sym >= 30 && !d64 ? makeEntry(sym, kInvalidSymbol, 0, 0)
                                      : makeEntry(kDistBase[sym], kMatch, kDistExtra[sym], kDistExtra[sym]);
        }
        for (unsigned sym = 0; sym < 19; ++sym)
            precode[sym] = makeEntry(sym, kLiteral, 0, 0);
    }
};

constexpr SymbolEntries kSymbolEntries;

// Bit reversal of bytes, for the codes (sent most significant bit first) that index tables by
// the bits as read (least significant first).
struct ByteReversal {
    std::array<std::uint8_t, 256> r{};
    constexpr ByteReversal() {
        for (unsigned i = 0; i < 256; ++i) {
            unsigned v = 0;
            for (unsigned b = 0; b < 8; ++b)
                v |= ((i >> b) & 1) << (7 - b);
            r[i] = static_cast<std::uint8_t>(v);
        }
    }
};

constexpr ByteReversal kReversal;

inline unsigned reverseBits(unsigned code, unsigned length) {
    const unsigned r16 =
        (static_cast<unsigned>(kReversal.r[code & 0xFF]) << 8) | kReversal.r[(code >> 8) & 0xFF];
    return r16 >> (16 - length);
}

} // namespace

// Builds the decode table of a canonical code from its code lengths. An over-subscribed set
// is an error; an incomplete one is accepted (RFC 1951 allows a single distance code) and its
// missing patterns decode as kUnusedCode.
void buildTable(std::vector<std::uint32_t>& table, unsigned tableBits, const std::uint8_t* lengths,
                unsigned count, TableType type, bool deflate64, const char* where) {
    // Counted and sorted in two halves at once: a run of equal lengths increments one counter
    // after another, and each increment would wait for the one before it.
    const unsigned half = (count + 1) / 2;
    std::array<std::array<unsigned, kMaxCodeLen + 1>, 2> halfCount{};
    for (unsigned i = 0; i < half; ++i) {
        ++halfCount[0][lengths[i]];
        if (half + i < count)
            ++halfCount[1][lengths[half + i]];
    }
    std::array<unsigned, kMaxCodeLen + 2> lenCount{};
    for (unsigned len = 1; len <= kMaxCodeLen; ++len)
        lenCount[len] = halfCount[0][len] + halfCount[1][len];
    int left = 1;
    unsigned maxLen = 0;
    unsigned minLen = 0;
    for (unsigned len = 1; len <= kMaxCodeLen; ++len) {
        left = (left << 1) - static_cast<int>(lenCount[len]);
        if (left < 0)
            throw EAbInflateError(std::string("over-subscribed set of code lengths [") + where + "]");
        if (lenCount[len]) {
            maxLen = len;
            if (!minLen)
                minLen = len;
        }
    }
    // Symbols by code length, then by value: the first half's before the second's.
    std::array<unsigned, kMaxCodeLen + 1> offset0{};
    std::array<unsigned, kMaxCodeLen + 1> offset1{};
    for (unsigned len = 1, at = 0; len <= kMaxCodeLen; at += lenCount[len], ++len) {
        offset0[len] = at;
        offset1[len] = at + halfCount[0][len];
    }
    std::array<std::uint16_t, 320 + 1> sorted{}; // a spare slot takes the symbols of no code
    offset0[0] = offset1[0] = 320;
    for (unsigned i = 0; i < half; ++i) {
        sorted[offset0[lengths[i]]] = static_cast<std::uint16_t>(i);
        offset0[lengths[i]] += lengths[i] != 0;
        if (half + i < count) {
            sorted[offset1[lengths[half + i]]] = static_cast<std::uint16_t>(half + i);
            offset1[lengths[half + i]] += lengths[half + i] != 0;
        }
    }

    const std::uint32_t* const base = type == TableType::Litlen ? kSymbolEntries.litlen[deflate64].data()
                                      : type == TableType::Distance
                                          ? kSymbolEntries.distance[deflate64].data()
                                          : kSymbolEntries.precode.data();
    const unsigned primarySize = 1u << tableBits;
    const std::uint32_t unused = makeEntry(0, kUnusedCode, 0, 0);
    const unsigned subBits = maxLen > tableBits ? maxLen - tableBits : 0;
    table.resize(primarySize);
    std::uint32_t* t = table.data();

    // The primary table grows with the code length: while it covers `len` bits, a code of that
    // length has exactly one slot, and doubling it (the upper half a copy of the lower) makes
    // every shorter code fill the slots that end with its bits. A set with no codes, or only
    // codes longer than the table, stays all unused.
    unsigned code = 0;
    unsigned next = 0;
    unsigned len = minLen ? std::min(minLen, tableBits) : tableBits;
    std::fill_n(t, 1u << len, unused);
    for (;; ++len, code <<= 1) {
        for (unsigned k = 0; len <= maxLen && k < lenCount[len]; ++k, ++code)
            t[reverseBits(code, len)] = base[sorted[next++]] + len;
        if (len == tableBits)
            break;
        std::memcpy(t + (1u << len), t, (1u << len) * sizeof *t);
    }

    // Canonical codes grow in value as their lengths do, so the long codes that share their
    // first tableBits bits come one after another: each run gets one subtable.
    ++len;
    code <<= 1;
    unsigned lastPrefix = ~0u;
    unsigned start = 0;
    for (; len <= maxLen; ++len, code <<= 1) {
        for (unsigned k = 0; k < lenCount[len]; ++k, ++code) {
            const unsigned rev = reverseBits(code, len);
            const unsigned prefix = code >> (len - tableBits);
            if (prefix != lastPrefix) {
                lastPrefix = prefix;
                start = static_cast<unsigned>(table.size());
                table.resize(table.size() + (1u << subBits), unused);
                t = table.data();
                t[rev & (primarySize - 1)] = makeEntry(start, kSubtable, subBits, tableBits);
            }
            const unsigned restLen = len - tableBits;
            const std::uint32_t e = base[sorted[next++]] + restLen;
            for (unsigned i = rev >> tableBits; i < (1u << subBits); i += 1u << restLen)
                t[start + i] = e;
        }
    }
}

} // namespace sw::inflate_tables
