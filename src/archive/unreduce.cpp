// Reducing (APPNOTE 5.2): bytes drawn through "follower sets" (for each previous byte, up to
// 32 likely next bytes), then a small state machine that turns DLE (144) sequences into
// copies of up to 4096 bytes back. Copies reaching before the start read zeros.
#include <array>

#include "archive/ab_exception.h"
#include "archive/legacy_io.h"

namespace sw {

namespace {

constexpr unsigned kDle = 144;

// Bits that index a follower set of n members. APPNOTE says "the minimal number of bits
// required to encode n-1", which would be 0 for one member, but PKZIP 0.80 writes 1 bit
// there, and every decodable archive agrees.
unsigned indexBits(unsigned n) {
    if (n <= 1)
        return n; // 0 members: no index is read; 1 member: 1 bit
    unsigned bits = 0;
    while ((1u << bits) < n)
        ++bits;
    return bits;
}

} // namespace

void unreduce(ByteSource& in, ByteSink& out, std::uint64_t size, unsigned factor) {
    if (factor < 1 || factor > 4)
        throw EAbZipInvalidFactor();
    LsbBitReader bits(in);
    OutWindow window(out, 4096);
    if (size == 0) {
        window.finish();
        return;
    }

    std::array<std::array<std::uint8_t, 64>, 256> followers{};
    std::array<std::uint8_t, 256> counts{};
    for (int j = 255; j >= 0; --j) {
        counts[j] = static_cast<std::uint8_t>(bits.bits(6));
        if (counts[j] > 32)
            throw EAbReadError("Error reading archive: follower set larger than 32");
        for (unsigned k = 0; k < counts[j]; ++k)
            followers[j][k] = static_cast<std::uint8_t>(bits.bits(8));
    }

    const unsigned lengthMask = 0xFFu >> factor; // L(X) and F(X)
    unsigned last = 0;
    unsigned state = 0;
    unsigned v = 0;
    unsigned length = 0;
    while (window.total() < size) {
        unsigned c;
        const unsigned n = counts[last];
        if (n == 0 || bits.bits(1)) {
            c = bits.bits(8);
        } else {
            const unsigned index = bits.bits(indexBits(n));
            if (index >= n)
                throw EAbReadError("Error reading archive: follower index outside its set");
            c = followers[last][index];
        }
        last = c;

        switch (state) {
        case 0:
            if (c != kDle)
                window.put(static_cast<std::uint8_t>(c));
            else
                state = 1;
            break;
        case 1:
            if (c != 0) {
                v = c;
                length = v & lengthMask;
                state = length == lengthMask ? 2 : 3;
            } else {
                window.put(kDle);
                state = 0;
            }
            break;
        case 2:
            length += c;
            state = 3;
            break;
        default: {
            const std::size_t distance = ((v >> (8 - factor)) << 8) + c + 1;
            const std::uint64_t left = size - window.total();
            window.copy(distance, static_cast<std::size_t>(std::min<std::uint64_t>(length + 3, left)));
            state = 0;
            break;
        }
        }
    }
    window.finish();
}

} // namespace sw
