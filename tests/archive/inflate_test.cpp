// The deflate decoder in both modes (RFC 1951 and Deflate64) on streams built bit by bit,
// including hostile ones, and against zlib's encoder where zlib is available.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <tuple>

#include "archive/ab_exception.h"
#include "archive/crc32.h"
#include "archive/inflate.h"
#include "archive/zip_fixture.h"

#ifdef SW_HAVE_ZLIB
#include <zlib.h>
#endif

namespace sw {
namespace {

using test::BitWriter;

std::string decodeWith(InflateLoop loop, const std::string& stream, bool deflate64) {
    StringSink sink;
    inflateBuffer(reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size(), deflate64, sink, loop);
    return sink.data();
}

std::string errorWith(InflateLoop loop, const std::string& stream, bool deflate64) {
    try {
        decodeWith(loop, stream, deflate64);
    } catch (const EAbInflateError& e) {
        return e.what();
    }
    return "(no error)";
}

// Every build of the decode loop runs every test; one that this CPU cannot run is skipped.
const auto kLoops = ::testing::Values(InflateLoop::Generic, InflateLoop::Bmi2);

std::string loopName(InflateLoop loop) {
    return loop == InflateLoop::Bmi2 ? "Bmi2" : "Generic";
}

void skipUnlessRuns(InflateLoop loop) {
    if (!inflateLoopRuns(loop))
        GTEST_SKIP() << "this processor cannot run the " << loopName(loop) << " decode loop";
}

// The first bits of a final dynamic block: BFINAL, BTYPE 2, HLIT, HDIST, HCLEN (RFC 1951 3.2.7).
void dynamicHeader(BitWriter& w, unsigned hlit, unsigned hdist, unsigned hclen) {
    w.put(1, 1);
    w.put(2, 2);
    w.put(hlit - 257, 5);
    w.put(hdist - 1, 5);
    w.put(hclen - 4, 4);
}

class InflateModes : public ::testing::TestWithParam<std::tuple<bool, InflateLoop>> {
protected:
    void SetUp() override { skipUnlessRuns(loop()); }
    bool deflate64() const { return std::get<0>(GetParam()); }
    InflateLoop loop() const { return std::get<1>(GetParam()); }
    std::string inflateString(const std::string& stream, bool d64) const {
        return decodeWith(loop(), stream, d64);
    }
    std::string inflateError(const std::string& stream, bool d64) const {
        return errorWith(loop(), stream, d64);
    }
};

TEST_P(InflateModes, StoredBlocksAcrossReadsAndEmptyBlocks) {
    std::string data(100000, '\0');
    std::mt19937 rng(1);
    for (auto& c : data)
        c = static_cast<char>(rng());
    BitWriter w;
    // An empty stored block, then the data in 65535-byte blocks (the largest LEN).
    w.put(0, 1);
    w.put(0, 2);
    w.alignToByte();
    w.put(0, 16);
    w.put(0xFFFF, 16);
    for (std::size_t at = 0; at < data.size(); at += 65535) {
        const std::size_t n = std::min<std::size_t>(65535, data.size() - at);
        w.put(at + n == data.size() ? 1 : 0, 1);
        w.put(0, 2);
        w.alignToByte();
        w.put(static_cast<std::uint32_t>(n), 16);
        w.put(static_cast<std::uint32_t>(~n & 0xFFFF), 16);
        for (std::size_t i = 0; i < n; ++i)
            w.putByte(static_cast<std::uint8_t>(data[at + i]));
    }
    EXPECT_TRUE(inflateString(w.bytes(), deflate64()) == data);
}

TEST_P(InflateModes, FixedBlockWithOverlappingAndFarMatches) {
    BitWriter w;
    w.put(1, 1);
    w.put(1, 2);
    for (char c : std::string("abc"))
        w.fixedLiteral(static_cast<std::uint8_t>(c));
    w.fixedMatch(10, 3);  // overlapping copy: "abcabcabca"
    w.fixedMatch(257, 1); // run of 'a' (258 would be symbol 285, which Deflate64 reads otherwise)
    w.fixedEnd();
    EXPECT_EQ(inflateString(w.bytes(), deflate64()),
              "abc" + std::string("abcabcabca") + std::string(257, 'a'));
}

TEST_P(InflateModes, LengthSymbol285DiffersBetweenModes) {
    BitWriter w;
    w.put(1, 1);
    w.put(1, 2);
    w.fixedLiteral('x');
    w.fixedLitlen(285);
    if (deflate64())
        w.put(1000 - 3, 16); // Deflate64: base 3 plus 16 extra bits
    w.fixedDistanceSymbol(0);
    w.fixedEnd();
    EXPECT_EQ(inflateString(w.bytes(), deflate64()), std::string(deflate64() ? 1001 : 259, 'x'));
}

TEST_P(InflateModes, DistanceCodes30And31OnlyInDeflate64) {
    // 40000 literals of a pattern, then a copy from 40000 back (distance symbol 30: 32769 + 14 bits).
    std::string data;
    for (int i = 0; i < 40000; ++i)
        data += static_cast<char>('a' + (i * 7) % 26);
    BitWriter w;
    w.put(1, 1);
    w.put(1, 2);
    for (char c : data)
        w.fixedLiteral(static_cast<std::uint8_t>(c));
    w.fixedLitlen(257 + 9); // length 13, 1 extra bit
    w.put(0, 1);
    w.fixedDistanceSymbol(30);
    w.put(40000 - 32769, 14);
    w.fixedEnd();
    if (deflate64())
        EXPECT_TRUE(inflateString(w.bytes(), true) == data + data.substr(0, 13));
    else
        EXPECT_EQ(inflateError(w.bytes(), false),
                  "decoded an invalid distance symbol: greater than 29 [DecodeData]");
}

TEST_P(InflateModes, DamagedStreamsRaiseNamedErrors) {
    {
        BitWriter w; // stored block whose NLEN is not the complement of LEN
        w.put(1, 1);
        w.put(0, 2);
        w.alignToByte();
        w.put(5, 16);
        w.put(5, 16);
        EXPECT_EQ(inflateError(w.bytes(), deflate64()),
                  "invalid stored block (length and NOT length do not match) [InflateStoredBlock]");
    }
    {
        BitWriter w; // block type 3
        w.put(1, 1);
        w.put(3, 2);
        EXPECT_EQ(inflateError(w.bytes(), deflate64()),
                  "starting new block, but invalid block type [Inflate]");
    }
    {
        BitWriter w;
        dynamicHeader(w, 287, 1, 4);
        EXPECT_EQ(inflateError(w.bytes(), deflate64()),
                  "count of literal codes in dynamic block is greater than 286 [InflateDynamicBlock]");
    }
    {
        BitWriter w; // 31 distance codes: too many for deflate, allowed by Deflate64 (then fails later)
        dynamicHeader(w, 257, 31, 4);
        const std::string error = inflateError(w.bytes(), deflate64());
        const std::string tooMany =
            "count of distance codes in dynamic block is greater than 30 [InflateDynamicBlock]";
        if (deflate64())
            EXPECT_NE(error, tooMany);
        else
            EXPECT_EQ(error, tooMany);
    }
    {
        BitWriter w; // fixed-code literal/length symbol 286 is reserved
        w.put(1, 1);
        w.put(1, 2);
        w.fixedLitlen(286);
        w.fixedEnd();
        EXPECT_EQ(inflateError(w.bytes(), deflate64()),
                  "decoded an invalid length symbol: greater than 285 [DecodeData]");
    }
    {
        BitWriter w; // a copy from before the start of the output
        w.put(1, 1);
        w.put(1, 2);
        w.fixedLiteral('a');
        w.fixedMatch(3, 2);
        w.fixedEnd();
        EXPECT_EQ(inflateError(w.bytes(), deflate64()),
                  "distance reaches before the start of the output [DecodeData]");
    }
}

TEST_P(InflateModes, HostileCodeLengthsAreRefused) {
    {
        BitWriter w; // code-length code with three codes of length 1: over-subscribed
        dynamicHeader(w, 257, 1, 4);
        w.put(1, 3);
        w.put(1, 3);
        w.put(1, 3);
        w.put(0, 3);
        EXPECT_NE(inflateError(w.bytes(), deflate64()).find("over-subscribed"), std::string::npos);
    }
    {
        BitWriter w; // first code length is "repeat previous" (16)
        dynamicHeader(w, 257, 1, 4);
        w.put(1, 3); // 16: length 1
        w.put(0, 3);
        w.put(1, 3); // 18: length 1
        w.put(0, 3);
        w.putCode(0, 1); // symbol 16
        w.put(0, 2);
        EXPECT_NE(inflateError(w.bytes(), deflate64()).find("repeat"), std::string::npos);
    }
    {
        BitWriter w; // zeros run past HLIT + HDIST
        dynamicHeader(w, 257, 1, 4);
        w.put(0, 3);
        w.put(1, 3); // 17: length 1
        w.put(1, 3); // 18: length 1
        w.put(0, 3);
        for (int i = 0; i < 3; ++i) {
            w.putCode(1, 1); // 18
            w.put(127, 7);   // 138 zeros each
        }
        EXPECT_NE(inflateError(w.bytes(), deflate64()).find("run past"), std::string::npos);
    }
}

TEST_P(InflateModes, TruncatedStreamsFailAtAnyCut) {
    BitWriter w;
    w.put(1, 1);
    w.put(1, 2);
    for (char c : std::string("hello, hello, hello"))
        w.fixedLiteral(static_cast<std::uint8_t>(c));
    w.fixedMatch(20, 7);
    w.fixedEnd();
    const std::string full = w.bytes();
    ASSERT_EQ(inflateString(full, deflate64()).size(), 39u);
    for (std::size_t cut = 0; cut < full.size(); ++cut)
        EXPECT_THROW(inflateString(full.substr(0, cut), deflate64()), EAbInflateError) << "cut at " << cut;
}

TEST_P(InflateModes, ManyTinyBlocksDecodeInLinearTime) {
    // 200000 empty fixed blocks: each costs a table build, which must stay cheap.
    BitWriter w;
    for (int i = 0; i < 200000; ++i) {
        w.put(0, 1);
        w.put(1, 2);
        w.fixedEnd();
    }
    w.put(1, 1);
    w.put(1, 2);
    w.fixedLiteral('z');
    w.fixedEnd();
    EXPECT_EQ(inflateString(w.bytes(), deflate64()), "z");
}

INSTANTIATE_TEST_SUITE_P(Deflate, InflateModes, ::testing::Combine(::testing::Values(false, true), kLoops),
                         [](const auto& info) {
                             return (std::get<0>(info.param) ? "Deflate64" : "Deflate") +
                                    loopName(std::get<1>(info.param));
                         });

// The CRC-32 that every item is checked with: each way of computing it must agree with a
// bit-at-a-time reference at every length, alignment and split into pieces.
class Crc32 : public ::testing::TestWithParam<Crc32Method> {
protected:
    void SetUp() override {
        if (!crc32MethodRuns(GetParam()))
            GTEST_SKIP() << "this processor cannot run the " << crcName(GetParam()) << " CRC-32 method";
    }

public:
    static std::string crcName(Crc32Method method) {
        switch (method) {
        case Crc32Method::Best:
            return "Best";
        case Crc32Method::Table:
            return "Table";
        case Crc32Method::Fold128:
            return "Fold128";
        case Crc32Method::Fold512:
            return "Fold512";
        }
        return "?";
    }
};

TEST_P(Crc32, AgreesWithTheBitwiseDefinition) {
    const Crc32Method method = GetParam();
    auto crc = [method](std::uint32_t c, const std::uint8_t* p, std::size_t n) {
        return crc32UpdateWith(method, c, p, n);
    };
    const std::string check = "123456789";
    EXPECT_EQ(crc(0, reinterpret_cast<const std::uint8_t*>(check.data()), check.size()), 0xCBF43926u);
    std::mt19937 rng(3);
    std::vector<std::uint8_t> data(1200);
    for (auto& b : data)
        b = static_cast<std::uint8_t>(rng());
    for (std::size_t offset = 0; offset < 8; ++offset) {
        std::uint32_t reg = 0xFFFFFFFF; // the reference, one bit at a time, over the first n bytes
        for (std::size_t n = 0; n + offset <= data.size(); ++n) {
            if (n) {
                reg ^= data[offset + n - 1];
                for (int k = 0; k < 8; ++k)
                    reg = (reg >> 1) ^ (0xEDB88320u & (0u - (reg & 1)));
            }
            const std::uint32_t want = ~reg;
            const std::uint8_t* p = data.data() + offset;
            ASSERT_EQ(crc(0, p, n), want) << "offset " << offset << " size " << n;
            const std::size_t third = n / 3;
            ASSERT_EQ(crc(crc(0, p, third), p + third, n - third), want)
                << "split " << offset << " size " << n;
            if (n % 97 == 0) { // in short pieces, as a file arrives in short reads
                std::uint32_t c = 0;
                for (std::size_t at = 0; at < n;) {
                    const std::size_t piece = std::min<std::size_t>(n - at, 1 + rng() % 300);
                    c = crc(c, p + at, piece);
                    at += piece;
                }
                ASSERT_EQ(c, want) << "pieces " << offset << " size " << n;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, Crc32,
                         ::testing::Values(Crc32Method::Best, Crc32Method::Table, Crc32Method::Fold128,
                                           Crc32Method::Fold512),
                         [](const auto& info) { return Crc32::crcName(info.param); });

#ifdef SW_HAVE_ZLIB
// zlib's encoder as the peer: every level and strategy, data that switches between
// compressible and random, output sizes across the decoder's buffer boundaries.
class InflateAgainstZlib : public ::testing::TestWithParam<InflateLoop> {
protected:
    void SetUp() override { skipUnlessRuns(GetParam()); }

    // `data` as zlib's raw deflate stream.
    static std::string zlibDeflate(std::string& data, int level, int strategy) {
        z_stream z{};
        EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
        std::string packed(deflateBound(&z, data.size()), '\0');
        z.next_in = reinterpret_cast<Bytef*>(data.data());
        z.avail_in = static_cast<uInt>(data.size());
        z.next_out = reinterpret_cast<Bytef*>(packed.data());
        z.avail_out = static_cast<uInt>(packed.size());
        EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
        packed.resize(z.total_out);
        deflateEnd(&z);
        return packed;
    }
};

TEST_P(InflateAgainstZlib, RoundTripsEveryLevelAndStrategy) {
    std::mt19937 rng(7);
    std::string data;
    while (data.size() < 900000) {
        if (rng() % 3 == 0) {
            for (int i = 0; i < 5000; ++i)
                data += static_cast<char>(rng());
        } else {
            const std::string word = "livery texture " + std::to_string(rng() % 100) + " ";
            for (int i = 0; i < 300; ++i)
                data += word;
        }
    }
    for (int level : {0, 1, 6, 9}) {
        for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED}) {
            const std::string packed = zlibDeflate(data, level, strategy);
            EXPECT_TRUE(decodeWith(GetParam(), packed, false) == data)
                << "level " << level << " strategy " << strategy;
        }
    }
}

// Input that arrives a few bytes at a time: the decoder leaves its unchecked loop whenever
// fewer bytes than one turn may read are buffered, and must go back and forth mid-block.
class TrickleSource : public ByteSource {
public:
    TrickleSource(const std::string& data, unsigned seed) : m_data(data), m_rng(seed) {}
    std::size_t read(std::uint8_t* buffer, std::size_t size) override {
        const std::size_t n = std::min({size, m_data.size() - m_at, std::size_t{1} + m_rng() % 40});
        std::memcpy(buffer, m_data.data() + m_at, n);
        m_at += n;
        return n;
    }

private:
    const std::string& m_data;
    std::size_t m_at = 0;
    std::mt19937 m_rng;
};

TEST_P(InflateAgainstZlib, InputInReadsOfAnySize) {
    std::mt19937 rng(11);
    std::string data;
    while (data.size() < 300000) {
        const std::string word = "fltsim." + std::to_string(rng() % 50) + (rng() % 4 ? " " : "\r\n");
        data += word;
        if (rng() % 50 == 0)
            data += static_cast<char>(rng());
    }
    const std::string packed = zlibDeflate(data, 6, Z_DEFAULT_STRATEGY);
    Inflater inflater(false, GetParam());
    for (unsigned seed = 1; seed <= 3; ++seed) {
        TrickleSource source(packed, seed);
        StringSink sink;
        inflater.inflate(source, sink);
        EXPECT_TRUE(sink.data() == data) << "seed " << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(Loops, InflateAgainstZlib, kLoops,
                         [](const auto& info) { return loopName(info.param); });
#endif

} // namespace
} // namespace sw
