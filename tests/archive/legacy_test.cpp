// The older methods on streams built bit by bit: reduce (all four factors), shrink with a
// partial clear and a width change, and damaged implode trees.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "archive/ab_exception.h"
#include "archive/byte_stream.h"
#include "archive/legacy_io.h"
#include "archive/zip_fixture.h"

namespace sw {
namespace {

using test::BitWriter;

class StringSource : public ByteSource {
public:
    explicit StringSource(std::string data) : m_data(std::move(data)) {}
    std::size_t read(std::uint8_t* buffer, std::size_t size) override {
        const std::size_t n = std::min(size, m_data.size() - m_at);
        std::copy_n(m_data.data() + m_at, n, buffer);
        m_at += n;
        return n;
    }

private:
    std::string m_data;
    std::size_t m_at = 0;
};

// Writes APPNOTE 5.2 reduced data: the follower sets, then each byte either as an index into
// the set of the byte before it or raw.
class ReduceWriter {
public:
    void setFollowers(std::uint8_t after, std::vector<std::uint8_t> set) { m_sets[after] = std::move(set); }

    void writeSets() {
        for (int j = 255; j >= 0; --j) {
            m_w.put(static_cast<std::uint32_t>(m_sets[j].size()), 6);
            for (auto b : m_sets[j])
                m_w.put(b, 8);
        }
    }

    void symbol(std::uint8_t c) {
        const auto& set = m_sets[m_last];
        if (!set.empty()) {
            auto it = std::find(set.begin(), set.end(), c);
            if (it != set.end()) {
                m_w.put(0, 1);
                m_w.put(static_cast<std::uint32_t>(it - set.begin()), indexBits(set.size()));
            } else {
                m_w.put(1, 1);
                m_w.put(c, 8);
            }
        } else {
            m_w.put(c, 8);
        }
        m_last = c;
    }

    // A raw index into the current set (for out-of-range tests).
    void badIndex(std::uint32_t index) {
        m_w.put(0, 1);
        m_w.put(index, indexBits(m_sets[m_last].size()));
    }

    std::string bytes() const { return m_w.bytes(); }

private:
    // One member still takes one bit (what PKZIP 0.80 writes).
    static unsigned indexBits(std::size_t n) {
        unsigned bits = 1;
        while ((1u << bits) < n)
            ++bits;
        return bits;
    }

    BitWriter m_w;
    std::array<std::vector<std::uint8_t>, 256> m_sets;
    std::uint8_t m_last = 0;
};

std::string runUnreduce(const std::string& stream, std::size_t size, unsigned factor) {
    StringSource in(stream);
    StringSink out;
    unreduce(in, out, size, factor);
    return out.data();
}

class ReduceFactors : public ::testing::TestWithParam<unsigned> {};

TEST_P(ReduceFactors, CopiesDleLiteralsLongLengthsAndPrestartZeros) {
    const unsigned factor = GetParam();
    const unsigned mask = 0xFFu >> factor;
    ReduceWriter w;
    w.setFollowers('A', {'B'});           // a one-member set: indexed with 1 bit
    w.setFollowers('B', {'x', 'C', 'y'}); // three members: 2 bits
    w.writeSets();
    std::string expected;
    for (char c : std::string("ABC"))
        w.symbol(static_cast<std::uint8_t>(c));
    expected += "ABC";
    // DLE, V = length 3 (+3) with distance high bits 0, C = 2: copy 6 from 3 back.
    w.symbol(144);
    w.symbol(3);
    w.symbol(2);
    expected += "ABCABC";
    // DLE 0 is a literal DLE.
    w.symbol(144);
    w.symbol(0);
    expected += '\x90';
    // The longest length field asks for one more byte of length: copy from 1 back.
    w.symbol(144);
    w.symbol(static_cast<std::uint8_t>(mask));
    w.symbol(10);
    w.symbol(0);
    expected += std::string(mask + 10 + 3, '\x90');
    // The farthest distance of this factor reaches before the start: zeros.
    const unsigned highBits = (1u << factor) - 1;
    w.symbol(144);
    w.symbol(static_cast<std::uint8_t>(highBits << (8 - factor)));
    w.symbol(255);
    expected += std::string(3, '\0');
    EXPECT_EQ(runUnreduce(w.bytes(), expected.size(), factor), expected);
}

TEST_P(ReduceFactors, DamagedStreamsRaiseReadErrors) {
    const unsigned factor = GetParam();
    {
        ReduceWriter w;
        w.setFollowers(0, {'a', 'b', 'c'});
        w.writeSets();
        w.badIndex(3); // a 2-bit index past the three members
        EXPECT_THROW(runUnreduce(w.bytes(), 10, factor), EAbReadError);
    }
    {
        ReduceWriter w;
        w.writeSets();
        w.symbol('a');
        EXPECT_THROW(runUnreduce(w.bytes(), 2, factor), EAbReadError); // ends before the size
    }
    {
        BitWriter w; // a follower set of 40 members (at most 32 exist)
        w.put(40, 6);
        EXPECT_THROW(runUnreduce(w.bytes() + std::string(64, '\0'), 1, factor), EAbReadError);
    }
}

INSTANTIATE_TEST_SUITE_P(Reduce, ReduceFactors, ::testing::Values(1u, 2u, 3u, 4u),
                         [](const auto& info) { return "Factor" + std::to_string(info.param); });

TEST(Reduce, FactorOutsideOneToFourIsRefused) {
    EXPECT_THROW(runUnreduce("", 1, 0), EAbZipInvalidFactor);
    EXPECT_THROW(runUnreduce("", 1, 5), EAbZipInvalidFactor);
}

std::string runUnshrink(const std::string& stream, std::size_t size) {
    StringSource in(stream);
    StringSink out;
    unshrink(in, out, size);
    return out.data();
}

TEST(Unshrink, PartialClearFreesLeavesForReuseAndWidthGrows) {
    BitWriter w;
    for (unsigned code : {65u, 66u, 257u, 67u}) // A B AB C; defines 257=AB 258=BA 259=ABC
        w.put(code, 9);
    w.put(256, 9);
    w.put(2, 9);   // partial clear: 258 and 259 are leaves and become free
    w.put(258, 9); // the next free code again, defined as it is used: C + C
    w.put(256, 9);
    w.put(1, 9);   // codes are 10 bits from here
    w.put(68, 10); // D
    EXPECT_EQ(runUnshrink(w.bytes(), 8), "ABABCCCD");
}

TEST(Unshrink, DamagedStreamsRaiseReadErrors) {
    {
        BitWriter w; // a code that is neither defined nor the next to be defined
        w.put(65, 9);
        w.put(300, 9);
        EXPECT_THROW(runUnshrink(w.bytes(), 5), EAbReadError);
    }
    {
        BitWriter w; // widening past 13 bits
        w.put(65, 9);
        unsigned width = 9;
        for (int i = 0; i < 5; ++i, ++width) {
            w.put(256, width);
            w.put(1, width);
        }
        EXPECT_THROW(runUnshrink(w.bytes(), 5), EAbReadError);
    }
    {
        BitWriter w; // an unknown control code
        w.put(256, 9);
        w.put(7, 9);
        EXPECT_THROW(runUnshrink(w.bytes(), 1), EAbReadError);
    }
    EXPECT_THROW(runUnshrink(std::string(3, '\0'), 100), EAbReadError); // ends early
}

TEST(Explode, DamagedTreesAndShortDataRaiseReadErrors) {
    {
        BitWriter w; // a length tree of 5 x 16 codes where 64 are due
        w.put(4, 8);
        for (int i = 0; i < 5; ++i)
            w.put((15u << 4) | 5u, 8);
        StringSource in(w.bytes());
        StringSink out;
        EXPECT_THROW(explode(in, out, 10, false, false), EAbReadError);
    }
    {
        BitWriter w; // a tree of one group of 1 code where 64 are due
        w.put(0, 8);
        w.put(0, 8);
        StringSource in(w.bytes());
        StringSink out;
        EXPECT_THROW(explode(in, out, 10, true, false), EAbReadError);
    }
    StringSource empty("");
    StringSink out;
    EXPECT_THROW(explode(empty, out, 10, false, true), EAbReadError);
}

} // namespace
} // namespace sw
