#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "archive/byte_stream.h"

namespace sw {

// Bits of the older methods' streams (APPNOTE 5.1-5.3), least significant bit first. Reading
// past the end of the compressed data raises EAbReadError: those methods have no end marker,
// so running out of input before the expected size means the item is damaged.
class LsbBitReader {
public:
    explicit LsbBitReader(ByteSource& source);
    // n <= 24.
    unsigned bits(unsigned n) {
        if (m_bitcnt < n)
            fill(n);
        const unsigned v = m_bitbuf & ((1u << n) - 1);
        m_bitbuf >>= n;
        m_bitcnt -= n;
        return v;
    }

private:
    void fill(unsigned n);

    ByteSource& m_source;
    std::unique_ptr<std::uint8_t[]> m_buf;
    std::size_t m_next = 0;
    std::size_t m_end = 0;
    std::uint32_t m_bitbuf = 0;
    unsigned m_bitcnt = 0;
};

// Output of the older methods through a sliding window of `history` bytes. A copy that
// reaches before the first byte of the output reads zeros there (as PKZIP's window starts
// zeroed).
class OutWindow {
public:
    OutWindow(ByteSink& sink, std::size_t history);
    void put(std::uint8_t byte) {
        if (m_pos == m_limit)
            flush();
        m_buf[m_pos++] = byte;
        ++m_total;
    }
    void copy(std::size_t distance, std::size_t length);
    // Hands everything still held to the sink.
    void finish();
    std::uint64_t total() const { return m_total; }

private:
    void flush();

    ByteSink& m_sink;
    std::size_t m_history;
    std::size_t m_limit;
    std::unique_ptr<std::uint8_t[]> m_buf;
    std::size_t m_pos = 0;
    std::size_t m_written = 0;
    std::uint64_t m_total = 0;
};

// The older methods' decoders; each produces exactly `size` bytes or raises.
void unshrink(ByteSource& in, ByteSink& out, std::uint64_t size);
void unreduce(ByteSource& in, ByteSink& out, std::uint64_t size, unsigned factor);
void explode(ByteSource& in, ByteSink& out, std::uint64_t size, bool window8k, bool literalTree);

} // namespace sw
