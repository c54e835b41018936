// Fuzz target: opens and extracts an archive held in memory, or feeds the bytes straight to
// one of the decoders. Built with libFuzzer under clang (SKINWRIGHT_FUZZ=ON); otherwise the
// replay main() of tests/support runs the files or folders named on its command line, which
// is how CTest replays the seed corpus in fuzz_corpus/.
//
// The low four bits of the first byte choose: 0 (every zip, whose first byte is 'P') the
// whole archive; 1/2 deflate/Deflate64; 3 shrink; 4-7 reduce factors 1-4; 8-11 implode.
// Deflate and Deflate64 run through every build of the decode loop the processor can run,
// and all of them must give the same bytes and end the same way.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "archive/ab_exception.h"
#include "archive/crc32.h"
#include "archive/inflate.h"
#include "archive/legacy_io.h"
#include "archive/zip_archive.h"

namespace {

// Counts what decoders produce and keeps nothing.
class NullSink : public sw::ByteSink {
public:
    void write(const std::uint8_t*, std::size_t size) override { m_total += size; }
    std::uint64_t m_total = 0;
};

class BytesSource : public sw::ByteSource {
public:
    BytesSource(const std::uint8_t* data, std::size_t size) : m_data(data), m_left(size) {}
    std::size_t read(std::uint8_t* buffer, std::size_t size) override {
        const std::size_t n = std::min(size, m_left);
        std::copy_n(m_data, n, buffer);
        m_data += n;
        m_left -= n;
        return n;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_left;
};

// Stops decoders that would write more than a fuzz run should take.
class CappedSink : public NullSink {
public:
    void write(const std::uint8_t* data, std::size_t size) override {
        NullSink::write(data, size);
        if (m_total > (16u << 20))
            throw sw::EAbReadError("output cap");
    }
};

void runArchive(const std::uint8_t* data, std::size_t size) {
    sw::TAbZipArchive archive(std::make_unique<sw::MemoryInput>(data, size), "fuzz.zip");
    archive.Password = "secret";
    archive.LoadCentralDirectory();
    const std::size_t count = std::min<std::size_t>(archive.Count(), 64);
    for (std::size_t i = 0; i < count; ++i) {
        try {
            CappedSink sink;
            archive.UnzipItemToStream(archive.Item(i), sink);
        } catch (const sw::EAbException&) {
        }
    }
}

// What a decode gave: the CRC-32 and length of its first 16 MiB, and how it ended.
struct Outcome {
    std::uint32_t crc = 0;
    std::uint64_t total = 0;
    std::string error;
    bool operator==(const Outcome&) const = default;
};

// Keeps the CRC of exactly the first 16 MiB, however the output is cut into writes, then
// stops the decoder.
class HashingSink : public sw::ByteSink {
public:
    explicit HashingSink(Outcome& outcome) : m_outcome(outcome) {}
    void write(const std::uint8_t* data, std::size_t size) override {
        const std::uint64_t cap = 16u << 20;
        const std::size_t taken =
            static_cast<std::size_t>(std::min<std::uint64_t>(size, cap - m_outcome.total));
        m_outcome.crc = sw::crc32Update(m_outcome.crc, data, taken);
        m_outcome.total += taken;
        if (taken < size)
            throw sw::EAbReadError("output cap");
    }

private:
    Outcome& m_outcome;
};

Outcome inflateWith(sw::InflateLoop loop, const std::uint8_t* data, std::size_t size, bool deflate64) {
    Outcome outcome;
    HashingSink out(outcome);
    try {
        sw::inflateBuffer(data, size, deflate64, out, loop);
    } catch (const sw::EAbException& error) {
        outcome.error = error.what();
    }
    return outcome;
}

void runInflate(const std::uint8_t* data, std::size_t size, bool deflate64) {
    const Outcome generic = inflateWith(sw::InflateLoop::Generic, data, size, deflate64);
    if (sw::inflateLoopRuns(sw::InflateLoop::Bmi2) &&
        !(inflateWith(sw::InflateLoop::Bmi2, data, size, deflate64) == generic)) {
        std::fprintf(stderr, "broken invariant: the decode loops disagree\n");
        std::abort();
    }
}

void runDecoder(unsigned mode, const std::uint8_t* data, std::size_t size) {
    BytesSource in(data, size);
    CappedSink out;
    const std::uint64_t expected = 1u << 20;
    if (mode <= 2)
        runInflate(data, size, mode == 2);
    else if (mode == 3)
        sw::unshrink(in, out, expected);
    else if (mode <= 7)
        sw::unreduce(in, out, expected, mode - 3);
    else if (mode <= 11)
        sw::explode(in, out, expected, mode & 1, mode & 2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    try {
        const unsigned mode = data[0] & 15;
        if (mode == 0)
            runArchive(data, size);
        else
            runDecoder(mode, data + 1, size - 1);
    } catch (const sw::EAbException&) {
    }
    return 0;
}
