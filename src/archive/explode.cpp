// Imploding (APPNOTE 5.3): a sliding dictionary of 4 KB or 8 KB (general purpose bit 1) with
// Shannon-Fano coded lengths and distance high bits, and literals either raw or coded by a
// third tree (bit 2). Copies reaching before the start read zeros.
#include <algorithm>
#include <array>
#include <vector>

#include "archive/ab_exception.h"
#include "archive/legacy_io.h"

namespace sw {

namespace {

// A Shannon-Fano code as APPNOTE 5.3.3 builds it: lengths sorted ascending (ties keep the
// stored order) get codes counting up from the longest, so the codes of one length form a
// contiguous run of values. APPNOTE stores each code bit-reversed, so reading the stream's
// bits one by one gives the code most significant bit first.
class ShannonFanoTree {
public:
    void read(LsbBitReader& bits, unsigned symbols) {
        std::vector<std::uint8_t> lengths;
        lengths.reserve(symbols);
        const unsigned groups = bits.bits(8) + 1;
        for (unsigned g = 0; g < groups; ++g) {
            const unsigned byte = bits.bits(8);
            const unsigned length = (byte & 15) + 1;
            const unsigned count = (byte >> 4) + 1;
            if (lengths.size() + count > symbols)
                throw EAbReadError("Error reading archive: imploded tree has too many codes");
            lengths.insert(lengths.end(), count, static_cast<std::uint8_t>(length));
        }
        if (lengths.size() != symbols)
            throw EAbReadError("Error reading archive: imploded tree has too few codes");

        std::vector<unsigned> order(symbols);
        for (unsigned i = 0; i < symbols; ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](unsigned a, unsigned b) { return lengths[a] < lengths[b]; });

        m_first.fill(0);
        m_count.fill(0);
        m_symbols.assign(symbols, 0);
        // Walk from the longest code down, as APPNOTE does, noting each length's first code
        // (in that length's bits) and its symbols in code order.
        std::uint32_t code = 0;
        std::uint32_t increment = 0;
        unsigned lastLength = 0;
        std::array<std::vector<std::uint16_t>, 17> byLength;
        for (int i = static_cast<int>(symbols) - 1; i >= 0; --i) {
            code += increment;
            const unsigned sym = order[static_cast<unsigned>(i)];
            const unsigned length = lengths[sym];
            if (length != lastLength) {
                lastLength = length;
                increment = 1u << (16 - length);
            }
            if (code > 0xFFFF)
                throw EAbReadError("Error reading archive: imploded tree is over-subscribed");
            if (byLength[length].empty())
                m_first[length] = code >> (16 - length);
            byLength[length].push_back(static_cast<std::uint16_t>(sym));
        }
        unsigned at = 0;
        for (unsigned len = 1; len <= 16; ++len) {
            m_start[len] = at;
            m_count[len] = static_cast<unsigned>(byLength[len].size());
            for (auto s : byLength[len])
                m_symbols[at++] = s;
        }
    }

    unsigned decode(LsbBitReader& bits) const {
        unsigned v = 0;
        for (unsigned len = 1; len <= 16; ++len) {
            v = (v << 1) | bits.bits(1);
            if (m_count[len] && v >= m_first[len] && v - m_first[len] < m_count[len])
                return m_symbols[m_start[len] + v - m_first[len]];
        }
        throw EAbReadError("Error reading archive: no imploded code matches");
    }

private:
    std::array<std::uint32_t, 17> m_first{};
    std::array<unsigned, 17> m_count{};
    std::array<unsigned, 17> m_start{};
    std::vector<std::uint16_t> m_symbols;
};

} // namespace

void explode(ByteSource& in, ByteSink& out, std::uint64_t size, bool window8k, bool literalTree) {
    LsbBitReader bits(in);
    OutWindow window(out, 8192);
    if (size == 0) {
        window.finish();
        return;
    }
    ShannonFanoTree literals;
    ShannonFanoTree lengths;
    ShannonFanoTree distances;
    if (literalTree)
        literals.read(bits, 256);
    lengths.read(bits, 64);
    distances.read(bits, 64);
    const unsigned lowBits = window8k ? 7 : 6;
    const unsigned minMatch = literalTree ? 3 : 2;

    while (window.total() < size) {
        if (bits.bits(1)) {
            window.put(static_cast<std::uint8_t>(literalTree ? literals.decode(bits) : bits.bits(8)));
            continue;
        }
        const unsigned low = bits.bits(lowBits);
        const std::size_t distance = ((distances.decode(bits) << lowBits) | low) + 1;
        std::size_t length = lengths.decode(bits);
        if (length == 63)
            length += bits.bits(8);
        length += minMatch;
        const std::uint64_t left = size - window.total();
        window.copy(distance, static_cast<std::size_t>(std::min<std::uint64_t>(length, left)));
    }
    window.finish();
}

} // namespace sw
