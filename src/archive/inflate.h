#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "archive/byte_stream.h"

namespace sw {

// The builds of the decode loop. Best is what this CPU runs fastest; the tests pick each
// build that the CPU can run (inflateLoopRuns) to check them all.
enum class InflateLoop { Best, Generic, Bmi2 };
bool inflateLoopRuns(InflateLoop loop);

// Streaming decoder for deflate (RFC 1951, zip method 8) and Deflate64 (method 9, PKWARE's
// "enhanced deflating": 64 KB history, distance codes 30 and 31, length code 285 with 16
// extra bits). Memory is bounded by the 64 KB history, a 256 KB output chunk and a 64 KB
// input buffer, whatever the stream's size. Damaged input raises EAbInflateError.
// The buffers and tables are made on first use and kept for the next stream, so that many
// small streams cost no allocation or clearing each.
class Inflater {
public:
    // `loop` must be one that inflateLoopRuns; std::invalid_argument otherwise.
    explicit Inflater(bool deflate64 = false, InflateLoop loop = InflateLoop::Best);
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    void setDeflate64(bool deflate64) { m_deflate64 = deflate64; }
    // Decodes one complete deflate stream from `in` into `out`, up to the end of its final block.
    void inflate(ByteSource& in, ByteSink& out);

private:
    struct State;
    struct Buffers;
    bool m_deflate64;
    bool m_bmi2;
    std::unique_ptr<Buffers> m_buffers;
};

// One-call form for whole buffers (the benchmark and tests).
void inflateBuffer(const std::uint8_t* data, std::size_t size, bool deflate64, ByteSink& out,
                   InflateLoop loop = InflateLoop::Best);

} // namespace sw
