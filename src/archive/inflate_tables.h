#pragma once

// The decode tables of the deflate decoder (inflate.cpp).

#include <cstdint>
#include <vector>

namespace sw::inflate_tables {

// Decode tables (RFC 1951 3.2.2 canonical codes, read LSB first). One 32-bit entry:
//   bits  0-5   number of code bits to consume (for a subtable pointer: the primary index bits;
//               for a match: its code and extra bits together, at most 15 + 16); a shift of
//               the bit buffer by the whole entry consumes them (x86 and ARM shifts take the
//               count modulo 64), which saves a step on the decoder's critical path
//   bits  6-7   class: literal (0, tested with one mask), match, subtable pointer, or other
//               (end of block, a reserved symbol, or a pattern no code has: told by the value)
//   bits  8-15  a literal: kLitlenBits, which makes its low 16 bits the control word of
//               BMI1's bextr that takes the next code's table index from the bits as they were
//               before this one; a match: its extra bits; a subtable pointer: the subtable's
//               index bits
//   bits 16-31  value: literal byte, length or distance base, precode symbol, subtable start,
//               or for the other class which of them it is
// A code longer than the primary table's bits is found in a subtable indexed by the bits that
// follow the primary ones; all subtables of one table have the same size.
enum Kind : std::uint32_t {
    kLiteral = 0,
    kMatch = 1,
    kSubtable = 2,
    kEndOfBlock = 3,
    kInvalidSymbol = 4, // a symbol the format reserves (length 286/287, deflate distance 30/31)
    kUnusedCode = 5,    // a bit pattern no code of an incomplete set has
};

constexpr std::uint32_t kClassMask = 3u << 6;
constexpr std::uint32_t kOtherClass = 3;

constexpr std::uint32_t makeEntry(std::uint32_t value, std::uint32_t kind, std::uint32_t extra,
                                  std::uint32_t bits) {
    if (kind >= kOtherClass)
        return ((kind - kOtherClass) << 16) | (kOtherClass << 6) | bits;
    return (value << 16) | (extra << 8) | (kind << 6) | bits;
}
inline unsigned entryBits(std::uint32_t e) {
    return e & 63;
}
inline unsigned entryExtra(std::uint32_t e) {
    return (e >> 8) & 31;
}
inline unsigned entryClass(std::uint32_t e) {
    return (e >> 6) & 3;
}
inline unsigned entryValue(std::uint32_t e) {
    return e >> 16;
}
// The kind; the loop tests the class, which is the kind for all but the rare ones.
inline unsigned entryKind(std::uint32_t e) {
    return entryClass(e) == kOtherClass ? kOtherClass + entryValue(e) : entryClass(e);
}
inline bool isLiteral(std::uint32_t e) {
    return (e & kClassMask) == 0;
}

constexpr unsigned kLitlenBits = 11;
constexpr unsigned kDistBits = 8;
constexpr unsigned kPrecodeBits = 7;
constexpr unsigned kMaxCodeLen = 15;

enum class TableType { Litlen, Distance, Precode };

// Builds the decode table of a canonical code from its code lengths. An over-subscribed set
// is an error; an incomplete one is accepted (RFC 1951 allows a single distance code) and its
// missing patterns decode as kUnusedCode.
void buildTable(std::vector<std::uint32_t>& table, unsigned tableBits, const std::uint8_t* lengths,
                unsigned count, TableType type, bool deflate64, const char* where);

} // namespace sw::inflate_tables
