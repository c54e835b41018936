#include "archive/inflate.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <string>

#include "archive/ab_exception.h"
#include "archive/inflate_tables.h"

namespace sw {

using namespace inflate_tables;

namespace {

constexpr std::array<std::uint8_t, 19> kPrecodeOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                        11, 4,  12, 3, 13, 2, 14, 1, 15};

inline std::uint64_t loadLe64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8); // little-endian hosts only
    return v;
}

constexpr std::size_t kHistory = 65536;    // Deflate64's window; deflate needs 32 KB of it
constexpr std::size_t kChunk = 256 * 1024; // output handed to the sink at a time
constexpr std::size_t kMaxMatch = 65538;   // Deflate64 length symbol 285: 3 + 16 bits
constexpr std::size_t kOutSize = kHistory + kChunk + kMaxMatch + 16;
constexpr std::size_t kInSize = 64 * 1024;
constexpr std::size_t kInKeep = 8; // bytes kept before the read position (stored blocks give them back)
constexpr unsigned kMaxOverrun = 16;
constexpr std::ptrdiff_t kFastInput = 32; // see decodeBlockImpl

// The primary table index of the code after the literal `e`, from the bits as they were
// before it: with bextr, one step after the entry's load instead of a shift and a mask.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
template <bool kBextr>
[[gnu::always_inline]] inline std::uint64_t indexAfterLiteral(std::uint64_t bits, std::uint32_t e) {
    if constexpr (kBextr) {
        std::uint64_t index;
        asm("bextrq %2, %1, %0" : "=r"(index) : "r"(bits), "r"(std::uint64_t{e}));
        return index;
    }
    return (bits >> entryBits(e)) & ((1u << kLitlenBits) - 1);
}
#else
template <bool kBextr> inline std::uint64_t indexAfterLiteral(std::uint64_t bits, std::uint32_t e) {
    return (bits >> entryBits(e)) & ((1u << kLitlenBits) - 1);
}
#endif

[[noreturn]] void throwTruncated() {
    throw EAbInflateError("compressed data ends before the final block does [Inflate]");
}

} // namespace

// What one stream's decoding leaves for the next: buffers (never cleared: every byte is
// written before it is read) and tables (rebuilt per block; the fixed ones per mode).
struct Inflater::Buffers {
    Buffers()
        : inBuf(std::make_unique_for_overwrite<std::uint8_t[]>(kInKeep + kInSize)),
          outBuf(std::make_unique_for_overwrite<std::uint8_t[]>(kOutSize)) {
        litlen.reserve((1u << kLitlenBits) + 288 * 32);
        dist.reserve((1u << kDistBits) + 32 * 128);
    }
    std::unique_ptr<std::uint8_t[]> inBuf;
    std::unique_ptr<std::uint8_t[]> outBuf;
    std::vector<std::uint32_t> litlen;
    std::vector<std::uint32_t> dist;
    std::vector<std::uint32_t> precode;
    std::vector<std::uint32_t> fixedLitlen[2]; // deflate, Deflate64; built on the first fixed block
    std::vector<std::uint32_t> fixedDist[2];
};

struct Inflater::State {
    State(ByteSource& source, ByteSink& sink, bool d64, bool useBmi2, Buffers& b)
        : in(source), out(sink), deflate64(d64), bmi2(useBmi2), inBuf(b.inBuf.get()), outBuf(b.outBuf.get()),
          litlen(b.litlen), dist(b.dist), precode(b.precode), fixedLitlen(b.fixedLitlen[d64]),
          fixedDist(b.fixedDist[d64]) {
        inNext = inEnd = inBuf + kInKeep;
    }

    ByteSource& in;
    ByteSink& out;
    bool deflate64;
    bool bmi2; // decodeBlockBmi2 rather than decodeBlockGeneric

    std::uint8_t* inBuf;
    const std::uint8_t* inNext;
    const std::uint8_t* inEnd;
    bool inEof = false;
    unsigned overrun = 0; // zero bytes fed past the end of the input

    std::uint64_t bitbuf = 0; // next input bits, LSB first; bits above bitcnt are the following input
    unsigned bitcnt = 0;

    std::uint8_t* outBuf;
    std::size_t pos = 0;     // next output index
    std::size_t written = 0; // output before this index has gone to the sink

    std::vector<std::uint32_t>& litlen;
    std::vector<std::uint32_t>& dist;
    std::vector<std::uint32_t>& precode;
    std::vector<std::uint32_t>& fixedLitlen;
    std::vector<std::uint32_t>& fixedDist;

    void fetch() {
        const std::size_t keepBefore = std::min<std::size_t>(kInKeep, inNext - inBuf);
        const std::size_t pending = inEnd - inNext;
        std::memmove(inBuf + kInKeep - keepBefore, inNext - keepBefore, keepBefore + pending);
        inNext = inBuf + kInKeep;
        std::uint8_t* end = const_cast<std::uint8_t*>(inNext) + pending;
        const std::size_t got = in.read(end, kInSize - pending);
        if (got == 0)
            inEof = true;
        inEnd = end + got;
    }

    // Tops the bit buffer up to at least 56 bits (libdeflate's branchless refill: the load
    // may repeat bits already present above bitcnt, which ORs them in unchanged).
    inline void refill() {
        if (inEnd - inNext >= 8) {
            bitbuf |= loadLe64(inNext) << bitcnt;
            inNext += (63 - bitcnt) >> 3;
            bitcnt |= 56;
        } else {
            refillSlow();
        }
    }

    [[gnu::noinline]] void refillSlow() {
        // A source may hand out fewer bytes than asked before its end: only an empty read ends it.
        while (!inEof && inEnd - inNext < 8)
            fetch();
        if (inEnd - inNext >= 8) {
            refill();
            return;
        }
        while (bitcnt <= 56) {
            if (inNext < inEnd) {
                bitbuf |= static_cast<std::uint64_t>(*inNext++) << bitcnt;
            } else if (++overrun > kMaxOverrun) {
                throwTruncated();
            }
            bitcnt += 8;
        }
    }

    inline void consume(unsigned n) {
        bitbuf >>= n;
        bitcnt -= n;
    }

    unsigned takeBits(unsigned n) {
        if (bitcnt < n)
            refill();
        const auto v = static_cast<unsigned>(bitbuf & ((1ull << n) - 1));
        consume(n);
        return v;
    }

    void flushOut() {
        out.write(outBuf + written, pos - written);
        written = pos;
        if (pos > kHistory) {
            std::memmove(outBuf, outBuf + pos - kHistory, kHistory);
            pos = written = kHistory;
        }
    }

    void run();
    void storedBlock();
    void dynamicTables();
    void fixedTables();
    void decodeBlock(const std::uint32_t* lit, const std::uint32_t* dst);
    template <bool kFast, bool kBextr>
    inline bool decodeBlockImpl(const std::uint32_t* lit, const std::uint32_t* dst);
    bool decodeBlockGeneric(const std::uint32_t* lit, const std::uint32_t* dst, bool fast);
    bool decodeBlockBmi2(const std::uint32_t* lit, const std::uint32_t* dst, bool fast);
};

void Inflater::State::run() {
    bool final = false;
    do {
        final = takeBits(1) != 0;
        switch (takeBits(2)) {
        case 0:
            storedBlock();
            break;
        case 1:
            if (fixedLitlen.empty())
                fixedTables();
            decodeBlock(fixedLitlen.data(), fixedDist.data());
            break;
        case 2:
            dynamicTables();
            decodeBlock(litlen.data(), dist.data());
            break;
        default:
            throw EAbInflateError("starting new block, but invalid block type [Inflate]");
        }
    } while (!final);
    if (overrun * 8 > bitcnt)
        throwTruncated();
    out.write(outBuf + written, pos - written);
    written = pos;
}

// RFC 1951 3.2.4: skip to a byte boundary, LEN and NLEN, then LEN raw bytes.
void Inflater::State::storedBlock() {
    consume(bitcnt & 7);
    const unsigned len = takeBits(16);
    const unsigned nlen = takeBits(16);
    if (len != (~nlen & 0xFFFF))
        throw EAbInflateError(
            "invalid stored block (length and NOT length do not match) [InflateStoredBlock]");
    if (overrun * 8 > bitcnt)
        throwTruncated();
    // Give the whole bytes still held in the bit buffer back to the input.
    inNext -= bitcnt / 8 - overrun;
    overrun = 0;
    bitbuf = 0;
    bitcnt = 0;
    std::size_t remaining = len;
    while (remaining) {
        if (pos >= kHistory + kChunk)
            flushOut();
        if (inNext == inEnd) {
            if (inEof)
                throwTruncated();
            fetch();
            continue;
        }
        const std::size_t n = std::min<std::size_t>(remaining, inEnd - inNext);
        std::memcpy(outBuf + pos, inNext, n);
        pos += n;
        inNext += n;
        remaining -= n;
    }
}

void Inflater::State::fixedTables() {
    // RFC 1951 3.2.6.
    std::array<std::uint8_t, 288> lens{};
    std::fill(lens.begin(), lens.begin() + 144, 8);
    std::fill(lens.begin() + 144, lens.begin() + 256, 9);
    std::fill(lens.begin() + 256, lens.begin() + 280, 7);
    std::fill(lens.begin() + 280, lens.end(), 8);
    buildTable(fixedLitlen, kLitlenBits, lens.data(), 288, TableType::Litlen, deflate64, "InflateFixedBlock");
    std::array<std::uint8_t, 32> dlens;
    dlens.fill(5);
    buildTable(fixedDist, kDistBits, dlens.data(), 32, TableType::Distance, deflate64, "InflateFixedBlock");
}

// RFC 1951 3.2.7.
void Inflater::State::dynamicTables() {
    const unsigned hlit = takeBits(5) + 257;
    const unsigned hdist = takeBits(5) + 1;
    const unsigned hclen = takeBits(4) + 4;
    if (hlit > 286)
        throw EAbInflateError(
            "count of literal codes in dynamic block is greater than 286 [InflateDynamicBlock]");
    if (hdist > (deflate64 ? 32u : 30u))
        throw EAbInflateError(
            "count of distance codes in dynamic block is greater than 30 [InflateDynamicBlock]");
    std::array<std::uint8_t, 19> preLens{};
    for (unsigned i = 0; i < hclen; ++i)
        preLens[kPrecodeOrder[i]] = static_cast<std::uint8_t>(takeBits(3));
    buildTable(precode, kPrecodeBits, preLens.data(), 19, TableType::Precode, deflate64,
               "InflateDynamicBlock");

    std::array<std::uint8_t, 320> lens{};
    const unsigned total = hlit + hdist;
    unsigned i = 0;
    while (i < total) {
        refill();
        const std::uint32_t e = precode[bitbuf & ((1u << kPrecodeBits) - 1)];
        if (!isLiteral(e))
            throw EAbInflateError("invalid code-length code [InflateDynamicBlock]");
        consume(entryBits(e));
        const unsigned sym = entryValue(e);
        if (sym < 16) {
            lens[i++] = static_cast<std::uint8_t>(sym);
            continue;
        }
        std::uint8_t value = 0;
        unsigned repeat;
        if (sym == 16) {
            if (i == 0)
                throw EAbInflateError(
                    "repeat of a previous code length with none before it [InflateDynamicBlock]");
            value = lens[i - 1];
            repeat = 3 + takeBits(2);
        } else if (sym == 17) {
            repeat = 3 + takeBits(3);
        } else {
            repeat = 11 + takeBits(7);
        }
        if (i + repeat > total)
            throw EAbInflateError("code lengths run past the declared counts [InflateDynamicBlock]");
        std::fill_n(lens.begin() + i, repeat, value);
        i += repeat;
    }
    if (lens[256] == 0)
        throw EAbInflateError("dynamic block has no end-of-block code [InflateDynamicBlock]");
    buildTable(litlen, kLitlenBits, lens.data(), hlit, TableType::Litlen, deflate64, "InflateDynamicBlock");
    buildTable(dist, kDistBits, lens.data() + hlit, hdist, TableType::Distance, deflate64,
               "InflateDynamicBlock");
}

// The hot loop: one literal or one length/distance pair per turn, with the bit buffer
// topped up before the literal/length code and again before the distance code (at most
// 15 + 16 and 15 + 14 bits, each within the 56 a refill guarantees). The stream state lives
// in locals here: stores through the byte pointer of the output could alias the members,
// which would force the compiler to reload them after every byte.
// The fast form runs while at least kFastInput bytes of input are buffered at the top of a
// turn: a turn refills at most twice (at most 7 + 7 bytes consumed, then an 8-byte load), so
// its refills need no bounds check. When the input runs short and no more can be fetched
// (the last bytes of the stream), it returns false and the checked form finishes the block.
// Either returns true at the end of the block.
template <bool kFast, bool kBextr>
inline bool Inflater::State::decodeBlockImpl(const std::uint32_t* const lit, const std::uint32_t* const dst) {
    std::uint8_t* const buf = outBuf;
    std::uint64_t bb = bitbuf;
    unsigned bc = bitcnt;
    const std::uint8_t* next = inNext;
    const std::uint8_t* end = inEnd;
    std::size_t p = pos;

    auto save = [&] {
        bitbuf = bb;
        bitcnt = bc;
        inNext = next;
        pos = p;
    };
    auto load = [&] {
        bb = bitbuf;
        bc = bitcnt;
        next = inNext;
        end = inEnd;
        p = pos;
    };
    // Must inline: called out of line, it would keep the stream state in memory.
    auto refillLocal = [&]() __attribute__((always_inline)) {
        if (kFast || end - next >= 8) [[likely]] {
            bb |= loadLe64(next) << bc;
            next += (63 - bc) >> 3;
            bc |= 56;
        } else {
            save();
            refillSlow();
            load();
        }
    };
    // At least kFastInput bytes buffered, fetching more when they run short; false when the
    // input has no more to give.
    auto enoughInput = [&]() __attribute__((always_inline)) {
        if (end - next >= kFastInput) [[likely]]
            return true;
        save();
        while (inEnd - inNext < kFastInput && !inEof)
            fetch();
        load();
        return end - next >= kFastInput;
    };

    if (kFast && !enoughInput())
        return false;
    // Loop invariant: at least 56 bits are held and e is the literal/length table entry for
    // them, looked up before the previous match is copied so that the load overlaps the copy.
    refillLocal();
    std::uint32_t e = lit[bb & ((1u << kLitlenBits) - 1)];
    for (;;) {
        if (p >= kHistory + kChunk) {
            save();
            flushOut();
            load();
        }
        if (kFast && !enoughInput()) [[unlikely]] {
            save();
            return false;
        }
        if (isLiteral(e)) {
            // Up to three literals from one refill: 3 x 11 primary-table bits fit in the 56 held.
            // The next entry's index comes from the bits before the shift, so that the shift is
            // off the chain of dependent loads.
            std::uint64_t index = indexAfterLiteral<kBextr>(bb, e);
            bb >>= entryBits(e);
            bc -= entryBits(e);
            buf[p++] = static_cast<std::uint8_t>(entryValue(e));
            e = lit[index];
            if (!isLiteral(e))
                goto notLiteral;
            index = indexAfterLiteral<kBextr>(bb, e);
            bb >>= entryBits(e);
            bc -= entryBits(e);
            buf[p++] = static_cast<std::uint8_t>(entryValue(e));
            e = lit[index];
            if (!isLiteral(e))
                goto notLiteral;
            // At least 56 - 3 x 11 bits are left for the next index, so the refill is off the
            // chain too.
            index = indexAfterLiteral<kBextr>(bb, e);
            bb >>= entryBits(e);
            bc -= entryBits(e);
            buf[p++] = static_cast<std::uint8_t>(entryValue(e));
            refillLocal();
            e = lit[index];
            continue;
        }
    notLiteral:
        // At least 34 bits are held here: enough for a subtable code (15), or a length code
        // and its extra bits (15 + 16).
        if (entryClass(e) == kSubtable) {
            bb >>= kLitlenBits;
            bc -= kLitlenBits;
            e = lit[entryValue(e) + (bb & ((1u << entryExtra(e)) - 1))];
            if (isLiteral(e)) {
                // 34 - 15 bits are left: the next index is known before the refill.
                bb >>= entryBits(e);
                bc -= entryBits(e);
                buf[p++] = static_cast<std::uint8_t>(entryValue(e));
                const std::uint32_t* const next = &lit[bb & ((1u << kLitlenBits) - 1)];
                refillLocal();
                e = *next;
                continue;
            }
        }
        if (entryClass(e) != kMatch) {
            const unsigned kind = entryKind(e);
            if (kind == kEndOfBlock) {
                bb >>= entryBits(e);
                bc -= entryBits(e);
                save();
                return true;
            }
            save();
            if (kind == kInvalidSymbol)
                throw EAbInflateError("decoded an invalid length symbol: greater than 285 [DecodeData]");
            throw EAbInflateError("decoded a bit pattern that is no literal/length code [DecodeData]");
        }
        // A match entry's bit count covers its code and extra bits: one shift consumes both, and
        // the extra bits are taken from the bits as they were.
        std::uint64_t before = bb;
        unsigned extra = entryExtra(e);
        bb >>= entryBits(e);
        bc -= entryBits(e);
        const std::size_t length =
            entryValue(e) + ((before >> (entryBits(e) - extra)) & ((1ull << extra) - 1));

        refillLocal();
        e = dst[bb & ((1u << kDistBits) - 1)];
        if (entryClass(e) == kSubtable) {
            bb >>= kDistBits;
            bc -= kDistBits;
            e = dst[entryValue(e) + (bb & ((1u << entryExtra(e)) - 1))];
        }
        before = bb;
        bb >>= entryBits(e);
        bc -= entryBits(e);
        if (entryClass(e) != kMatch) {
            save();
            if (entryKind(e) == kInvalidSymbol)
                throw EAbInflateError("decoded an invalid distance symbol: greater than 29 [DecodeData]");
            throw EAbInflateError("decoded a bit pattern that is no distance code [DecodeData]");
        }
        extra = entryExtra(e);
        const std::size_t distance =
            entryValue(e) + ((before >> (entryBits(e) - extra)) & ((1ull << extra) - 1));
        if (distance > p) {
            save();
            throw EAbInflateError("distance reaches before the start of the output [DecodeData]");
        }
        // A refill was followed by at most 15 + 14 bits of distance: at least 27 are left, and
        // the next index is known before this refill.
        const std::uint32_t* const nextEntry = &lit[bb & ((1u << kLitlenBits) - 1)];
        refillLocal();
        e = *nextEntry;

        std::uint8_t* to = buf + p;
        const std::uint8_t* from = to - distance;
        p += length;
        if (distance >= 16) {
            // Sixteen bytes at a time; may write up to 15 bytes past the match (the buffer has
            // room, and what lies there is written again before it is read).
            std::uint8_t* const stop = to + length;
            do {
                std::memcpy(to, from, 16);
                to += 16;
                from += 16;
            } while (to < stop);
        } else if (distance >= 8) {
            std::uint8_t* const stop = to + length;
            do {
                std::memcpy(to, from, 8);
                to += 8;
                from += 8;
            } while (to < stop);
        } else {
            // A distance under 8 repeats a short pattern: eight bytes of it are written at a time,
            // advancing by the largest whole number of periods that fits in eight (may write up
            // to 7 bytes past the match, as above).
            std::uint8_t pattern[8];
            for (unsigned k = 0; k < 8; ++k)
                pattern[k] = from[k % distance];
            const std::size_t step = 8 - 8 % distance;
            std::uint8_t* const stop = to + length;
            do {
                std::memcpy(to, pattern, 8);
                to += step;
            } while (to < stop);
        }
    }
}

// The same loop compiled twice: with BMI1 and BMI2 the variable shifts of the bit buffer
// (shrx), the masks (bzhi) and the index after a literal (bextr) shorten the chain from one
// code to the next; the CPU picks at run time.
__attribute__((flatten)) bool Inflater::State::decodeBlockGeneric(const std::uint32_t* lit,
                                                                  const std::uint32_t* dst, bool fast) {
    return fast ? decodeBlockImpl<true, false>(lit, dst) : decodeBlockImpl<false, false>(lit, dst);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
__attribute__((target("bmi,bmi2"), flatten)) bool
Inflater::State::decodeBlockBmi2(const std::uint32_t* lit, const std::uint32_t* dst, bool fast) {
    return fast ? decodeBlockImpl<true, true>(lit, dst) : decodeBlockImpl<false, true>(lit, dst);
}
namespace {
const bool kHaveBmi2 = __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2");
}
#else
bool Inflater::State::decodeBlockBmi2(const std::uint32_t* lit, const std::uint32_t* dst, bool fast) {
    return decodeBlockGeneric(lit, dst, fast);
}
namespace {
constexpr bool kHaveBmi2 = false;
}
#endif

void Inflater::State::decodeBlock(const std::uint32_t* lit, const std::uint32_t* dst) {
    if (bmi2) {
        if (!decodeBlockBmi2(lit, dst, true))
            decodeBlockBmi2(lit, dst, false);
    } else if (!decodeBlockGeneric(lit, dst, true)) {
        decodeBlockGeneric(lit, dst, false);
    }
}

bool inflateLoopRuns(InflateLoop loop) {
    return loop != InflateLoop::Bmi2 || kHaveBmi2;
}

Inflater::Inflater(bool deflate64, InflateLoop loop)
    : m_deflate64(deflate64), m_bmi2(loop == InflateLoop::Bmi2 || (loop == InflateLoop::Best && kHaveBmi2)) {
    if (!inflateLoopRuns(loop))
        throw std::invalid_argument("this processor cannot run the chosen decode loop");
}
Inflater::~Inflater() = default;

void Inflater::inflate(ByteSource& in, ByteSink& out) {
    if (!m_buffers)
        m_buffers = std::make_unique<Buffers>();
    State state(in, out, m_deflate64, m_bmi2, *m_buffers);
    state.run();
}

namespace {
class BufferSource : public ByteSource {
public:
    BufferSource(const std::uint8_t* data, std::size_t size) : m_data(data), m_left(size) {}
    std::size_t read(std::uint8_t* buffer, std::size_t size) override {
        const std::size_t n = std::min(size, m_left);
        if (n) // memcpy's pointers must be valid even for 0 bytes
            std::memcpy(buffer, m_data, n);
        m_data += n;
        m_left -= n;
        return n;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_left;
};
} // namespace

void inflateBuffer(const std::uint8_t* data, std::size_t size, bool deflate64, ByteSink& out,
                   InflateLoop loop) {
    BufferSource source(data, size);
    Inflater(deflate64, loop).inflate(source, out);
}

} // namespace sw
