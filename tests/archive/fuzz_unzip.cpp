// Fuzz target: opens and extracts an archive held in memory, or feeds the bytes straight to
// one of the decoders. Built with libFuzzer under clang (SKINWRIGHT_FUZZ=ON); otherwise the
// replay main() of tests/support runs the files or folders named on its command line, which
// is how CTest replays the seed corpus in fuzz_corpus/.
//
// The low four bits of the first byte choose: 0 (every zip, whose first byte is 'P') the
// whole archive; 1/2 deflate/Deflate64; 3 shrink; 4-7 reduce factors 1-4; 8-11 implode.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "archive/ab_exception.h"
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

void runDecoder(unsigned mode, const std::uint8_t* data, std::size_t size) {
    BytesSource in(data, size);
    CappedSink out;
    const std::uint64_t expected = 1u << 20;
    if (mode <= 2)
        sw::inflateBuffer(data, size, mode == 2, out);
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
