#include "archive/legacy_io.h"

#include <cstring>

#include "archive/ab_exception.h"

namespace sw {

namespace {
constexpr std::size_t kReadBuffer = 16 * 1024;
constexpr std::size_t kOutChunk = 64 * 1024;
} // namespace

LsbBitReader::LsbBitReader(ByteSource& source)
    : m_source(source), m_buf(std::make_unique<std::uint8_t[]>(kReadBuffer)) {}

void LsbBitReader::fill(unsigned n) {
    while (m_bitcnt < n) {
        if (m_next == m_end) {
            m_next = 0;
            m_end = m_source.read(m_buf.get(), kReadBuffer);
            if (m_end == 0)
                throw EAbReadError();
        }
        m_bitbuf |= static_cast<std::uint32_t>(m_buf[m_next++]) << m_bitcnt;
        m_bitcnt += 8;
    }
}

OutWindow::OutWindow(ByteSink& sink, std::size_t history)
    : m_sink(sink), m_history(history), m_limit(history + kOutChunk),
      m_buf(std::make_unique<std::uint8_t[]>(history + kOutChunk)) {}

void OutWindow::flush() {
    m_sink.write(m_buf.get() + m_written, m_pos - m_written);
    if (m_pos > m_history) {
        std::memmove(m_buf.get(), m_buf.get() + m_pos - m_history, m_history);
        m_pos = m_history;
    }
    m_written = m_pos;
}

void OutWindow::copy(std::size_t distance, std::size_t length) {
    while (length && distance > m_total) {
        put(0);
        --length;
    }
    while (length) {
        if (m_pos == m_limit)
            flush();
        // The history always holds min(total, history) bytes before m_pos, and callers never
        // pass a distance beyond their window, which is at most `history`.
        std::size_t run = std::min(length, m_limit - m_pos);
        const std::uint8_t* from = m_buf.get() + m_pos - distance;
        std::uint8_t* to = m_buf.get() + m_pos;
        for (std::size_t k = 0; k < run; ++k)
            to[k] = from[k];
        m_pos += run;
        m_total += run;
        length -= run;
    }
}

void OutWindow::finish() {
    m_sink.write(m_buf.get() + m_written, m_pos - m_written);
    m_written = m_pos;
}

} // namespace sw
