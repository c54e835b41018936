// Shrinking (APPNOTE 5.1): LZW with codes of 9 to 13 bits. Code 256 announces a control code:
// 1 widens the codes by one bit, 2 clears every leaf of the dictionary (a "partial clear",
// which PKZIP 1.10 emits at any width, long before the dictionary is full). Freed codes are
// reused lowest first.
#include <array>
#include <vector>

#include "archive/ab_exception.h"
#include "archive/legacy_io.h"

namespace sw {

namespace {

constexpr unsigned kMinBits = 9;
constexpr unsigned kMaxBits = 13;
constexpr unsigned kCodes = 1u << kMaxBits;
constexpr unsigned kControl = 256;
constexpr unsigned kFirstFree = 257;
constexpr std::int16_t kFree = -1;

class Unshrinker {
public:
    Unshrinker(ByteSource& in, ByteSink& out) : m_bits(in), m_out(out, 1) {
        m_prefix.fill(kFree);
        m_stack.resize(kCodes);
    }

    void run(std::uint64_t size) {
        if (size == 0) {
            m_out.finish();
            return;
        }
        int prev = -1;
        while (m_out.total() < size) {
            const unsigned code = m_bits.bits(m_codeBits);
            if (code == kControl) {
                control();
                continue;
            }
            if (prev < 0) {
                if (code > 255)
                    throw EAbReadError("Error reading archive: shrunk data starts with a non-literal code");
                m_out.put(static_cast<std::uint8_t>(code));
                prev = static_cast<int>(code);
                continue;
            }
            // The entry the encoder made when it sent `prev` is added now, one code late. After
            // a partial clear `prev` itself may have been freed as a leaf; the encoders still
            // build on its code number (PKZIP and hwzip archives decode only this way), and a
            // chain that loops or ends in a free code is refused when it is walked.
            if (code >= kFirstFree && m_prefix[code] == kFree) {
                // The code the encoder has just defined (the KwKwK case): the previous
                // string followed by its own first byte.
                if (code != m_nextFree)
                    throw EAbReadError("Error reading archive: shrunk data uses an undefined code");
                addEntry(static_cast<unsigned>(prev), firstByte(static_cast<unsigned>(prev)));
            } else {
                addEntry(static_cast<unsigned>(prev), firstByte(code));
            }
            emit(code, size);
            prev = static_cast<int>(code);
        }
        m_out.finish();
    }

private:
    void control() {
        const unsigned what = m_bits.bits(m_codeBits);
        if (what == 1) {
            if (++m_codeBits > kMaxBits)
                throw EAbReadError("Error reading archive: shrunk code width above 13 bits");
        } else if (what == 2) {
            partialClear();
        } else {
            throw EAbReadError("Error reading archive: unknown shrink control code");
        }
    }

    // Frees every code that no other code in use extends.
    void partialClear() {
        std::array<bool, kCodes> isPrefix{};
        for (unsigned c = kFirstFree; c < kCodes; ++c)
            if (m_prefix[c] != kFree)
                isPrefix[static_cast<unsigned>(m_prefix[c])] = true;
        for (unsigned c = kFirstFree; c < kCodes; ++c)
            if (m_prefix[c] != kFree && !isPrefix[c])
                m_prefix[c] = kFree;
        m_nextFree = kFirstFree;
        while (m_nextFree < kCodes && m_prefix[m_nextFree] != kFree)
            ++m_nextFree;
    }

    void addEntry(unsigned prefix, std::uint8_t suffix) {
        if (m_nextFree >= kCodes)
            return; // dictionary full: nothing is added until a clear frees codes
        m_prefix[m_nextFree] = static_cast<std::int16_t>(prefix);
        m_suffix[m_nextFree] = suffix;
        do
            ++m_nextFree;
        while (m_nextFree < kCodes && m_prefix[m_nextFree] != kFree);
    }

    std::uint8_t firstByte(unsigned code) const {
        unsigned steps = 0;
        while (code >= kFirstFree) {
            if (m_prefix[code] == kFree || ++steps > kCodes)
                throw EAbReadError("Error reading archive: shrunk data refers to a freed code");
            code = static_cast<unsigned>(m_prefix[code]);
        }
        return static_cast<std::uint8_t>(code);
    }

    void emit(unsigned code, std::uint64_t size) {
        std::size_t depth = 0;
        while (code >= kFirstFree) {
            if (m_prefix[code] == kFree || depth == kCodes - 1)
                throw EAbReadError("Error reading archive: shrunk data refers to a freed code");
            m_stack[depth++] = m_suffix[code];
            code = static_cast<unsigned>(m_prefix[code]);
        }
        m_stack[depth++] = static_cast<std::uint8_t>(code);
        while (depth && m_out.total() < size)
            m_out.put(m_stack[--depth]);
    }

    LsbBitReader m_bits;
    OutWindow m_out;
    unsigned m_codeBits = kMinBits;
    unsigned m_nextFree = kFirstFree;
    std::array<std::int16_t, kCodes> m_prefix;
    std::array<std::uint8_t, kCodes> m_suffix{};
    std::vector<std::uint8_t> m_stack;
};

} // namespace

void unshrink(ByteSource& in, ByteSink& out, std::uint64_t size) {
    Unshrinker(in, out).run(size);
}

} // namespace sw
