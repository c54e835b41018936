#include "archive/crc32.h"

#include <array>
#include <cstring>
#include <stdexcept>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define SW_CRC_CLMUL 1
#endif

namespace sw {

namespace {

// Slicing-by-8: kTables[k][b] is the CRC of byte b followed by k zero bytes, so eight
// input bytes are folded in with eight independent lookups per step.
struct CrcTables {
    std::array<std::array<std::uint32_t, 256>, 8> t{};
    constexpr CrcTables() {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
            t[0][i] = c;
        }
        for (std::size_t i = 0; i < 256; ++i)
            for (std::size_t k = 1; k < 8; ++k)
                t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    }
};

constexpr CrcTables kTables;

#ifdef SW_CRC_CLMUL
// Folding with carry-less multiplication (Intel, "Fast CRC Computation for Generic
// Polynomials Using PCLMULQDQ Instruction", 2009), in the bit-reflected domain: four 128-bit
// lanes fold 64 bytes per step, then fold into one lane, then 128 -> 64 bits and a Barrett
// reduction to 32. The constants are x^(k) mod P for the fold distances, and P and mu for
// the reduction. `crc` is the bare register (already inverted); `size` is a multiple of 16,
// at least 64.
__attribute__((target("pclmul,sse4.1"))) inline __m128i load(const std::uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// One lane advanced by 128 bits: its two halves multiplied by the fold constants, plus the next data.
__attribute__((target("pclmul,sse4.1"))) inline __m128i fold(__m128i x, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)),
                         next);
}

// The last lane: the 16-byte blocks left, then 128 -> 64 bits and a Barrett reduction to 32.
__attribute__((target("pclmul,sse4.1"))) inline std::uint32_t crcFinish(__m128i x1, const std::uint8_t* p,
                                                                        std::size_t size) {
    const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
    const __m128i k5 = _mm_set_epi64x(0, 0x0163cd6124);
    const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);
    while (size >= 16) {
        x1 = fold(x1, k3k4, load(p));
        p += 16;
        size -= 16;
    }
    // 128 -> 64 bits.
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k3k4, 0x10));
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 4), _mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5, 0x00));
    // Barrett reduction to 32 bits.
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), poly, 0x00);
    return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(x1, t), 1));
}

__attribute__((target("pclmul,sse4.1"))) std::uint32_t crcFold(std::uint32_t crc, const std::uint8_t* p,
                                                               std::size_t size) {
    const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
    const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);

    __m128i x1 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = load(p + 16);
    __m128i x3 = load(p + 32);
    __m128i x4 = load(p + 48);
    p += 64;
    size -= 64;
    while (size >= 64) {
        x1 = fold(x1, k1k2, load(p));
        x2 = fold(x2, k1k2, load(p + 16));
        x3 = fold(x3, k1k2, load(p + 32));
        x4 = fold(x4, k1k2, load(p + 48));
        p += 64;
        size -= 64;
    }
    x1 = fold(x1, k3k4, x2);
    x1 = fold(x1, k3k4, x3);
    x1 = fold(x1, k3k4, x4);
    return crcFinish(x1, p, size);
}

// The same folding with 512-bit registers (VPCLMULQDQ): four of them, sixteen 128-bit lanes,
// fold 256 bytes per step (constants for 2048 bits), then into one register (512 bits), into
// one lane, and crcFinish. `size` is a multiple of 16, at least 256.
#define SW_CRC_WIDE_TARGET "avx512f,avx512vl,vpclmulqdq,pclmul,sse4.1"
__attribute__((target(SW_CRC_WIDE_TARGET))) inline __m512i fold512(__m512i x, __m512i k, __m512i next) {
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(x, k, 0x00),
                                     _mm512_clmulepi64_epi128(x, k, 0x11), next, 0x96);
}

__attribute__((target(SW_CRC_WIDE_TARGET))) std::uint32_t
crcFoldWide(std::uint32_t crc, const std::uint8_t* p, std::size_t size) {
    // (Spelt out: GCC 12's broadcast and extract intrinsics trip -Wuninitialized.)
    const __m512i k2048 = _mm512_set_epi64(0x01322d1430, 0x011542778a, 0x01322d1430, 0x011542778a,
                                           0x01322d1430, 0x011542778a, 0x01322d1430, 0x011542778a);
    const __m512i k512 = _mm512_set_epi64(0x01c6e41596, 0x0154442bd4, 0x01c6e41596, 0x0154442bd4,
                                          0x01c6e41596, 0x0154442bd4, 0x01c6e41596, 0x0154442bd4);
    const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);

    __m512i x0 = _mm512_xor_si512(_mm512_loadu_si512(p), _mm512_set_epi64(0, 0, 0, 0, 0, 0, 0, crc));
    __m512i x1 = _mm512_loadu_si512(p + 64);
    __m512i x2 = _mm512_loadu_si512(p + 128);
    __m512i x3 = _mm512_loadu_si512(p + 192);
    p += 256;
    size -= 256;
    while (size >= 256) {
        x0 = fold512(x0, k2048, _mm512_loadu_si512(p));
        x1 = fold512(x1, k2048, _mm512_loadu_si512(p + 64));
        x2 = fold512(x2, k2048, _mm512_loadu_si512(p + 128));
        x3 = fold512(x3, k2048, _mm512_loadu_si512(p + 192));
        p += 256;
        size -= 256;
    }
    x0 = fold512(x0, k512, x1);
    x0 = fold512(x0, k512, x2);
    x0 = fold512(x0, k512, x3);
    while (size >= 64) {
        x0 = fold512(x0, k512, _mm512_loadu_si512(p));
        p += 64;
        size -= 64;
    }
    alignas(64) __m128i lanes[4];
    _mm512_store_si512(lanes, x0);
    __m128i lane = fold(lanes[0], k3k4, lanes[1]);
    lane = fold(lane, k3k4, lanes[2]);
    lane = fold(lane, k3k4, lanes[3]);
    return crcFinish(lane, p, size);
}

const bool kHaveClmul = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
const bool kHaveWideClmul = kHaveClmul && __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("vpclmulqdq");
#else
constexpr bool kHaveClmul = false;
constexpr bool kHaveWideClmul = false;
#endif

} // namespace

std::uint32_t crc32Byte(std::uint32_t crcRegister, std::uint8_t byte) {
    return (crcRegister >> 8) ^ kTables.t[0][(crcRegister ^ byte) & 0xFF];
}

namespace {

std::uint32_t update(std::uint32_t crc, const std::uint8_t* data, std::size_t size, bool clmul, bool wide) {
    std::uint32_t c = ~crc;
    const auto& t = kTables.t;
#ifdef SW_CRC_CLMUL
    if (size >= 64 && clmul) {
        const std::size_t n = size & ~static_cast<std::size_t>(15);
        c = n >= 256 && wide ? crcFoldWide(c, data, n) : crcFold(c, data, n);
        data += n;
        size -= n;
    }
#else
    (void)clmul;
    (void)wide;
#endif
    while (size >= 8) {
        std::uint32_t lo;
        std::uint32_t hi;
        std::memcpy(&lo, data, 4);
        std::memcpy(&hi, data + 4, 4);
        lo ^= c; // little-endian hosts only, as everything this program runs on
        c = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
            t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
        data += 8;
        size -= 8;
    }
    while (size--)
        c = (c >> 8) ^ t[0][(c ^ *data++) & 0xFF];
    return ~c;
}

} // namespace

std::uint32_t crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
    return update(crc, data, size, kHaveClmul, kHaveWideClmul);
}

bool crc32MethodRuns(Crc32Method method) {
    switch (method) {
    case Crc32Method::Best:
    case Crc32Method::Table:
        return true;
    case Crc32Method::Fold128:
        return kHaveClmul;
    case Crc32Method::Fold512:
        return kHaveWideClmul;
    }
    return false;
}

std::uint32_t crc32UpdateWith(Crc32Method method, std::uint32_t crc, const std::uint8_t* data,
                              std::size_t size) {
    if (!crc32MethodRuns(method))
        throw std::invalid_argument("this processor cannot run the chosen CRC-32 method");
    switch (method) {
    case Crc32Method::Best:
        break;
    case Crc32Method::Table:
        return update(crc, data, size, false, false);
    case Crc32Method::Fold128:
        return update(crc, data, size, true, false);
    case Crc32Method::Fold512:
        return update(crc, data, size, true, true);
    }
    return crc32Update(crc, data, size);
}

} // namespace sw
