#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sw {

// A forward stream of bytes a decoder pulls its compressed input from.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes; may return fewer at any time (a source made of parts does at
    // their seams), and 0 only at the end of the stream.
    virtual std::size_t read(std::uint8_t* buffer, std::size_t size) = 0;
};

// Where a decoder pushes what it produced.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(const std::uint8_t* data, std::size_t size) = 0;
};

// A whole archive, read at any offset: a file on disk or a block of memory.
class RandomAccessInput {
public:
    virtual ~RandomAccessInput() = default;
    virtual std::uint64_t size() const = 0;
    // Reads up to `size` bytes at `offset`; fewer only at the end.
    virtual std::size_t readAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) = 0;
    // The device and inode of a file on disk (false for a block of memory).
    virtual bool fileIdentity(std::uint64_t& device, std::uint64_t& inode) const {
        (void)device;
        (void)inode;
        return false;
    }
};

// A source over `length` bytes of an input starting at `offset`.
class RangeSource : public ByteSource {
public:
    RangeSource(RandomAccessInput& input, std::uint64_t offset, std::uint64_t length)
        : m_input(input), m_offset(offset), m_remaining(length) {}
    std::size_t read(std::uint8_t* buffer, std::size_t size) override;
    std::uint64_t remaining() const { return m_remaining; }

private:
    RandomAccessInput& m_input;
    std::uint64_t m_offset;
    std::uint64_t m_remaining;
};

class MemoryInput : public RandomAccessInput {
public:
    MemoryInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    std::uint64_t size() const override { return m_size; }
    std::size_t readAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) override;

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

// Collects everything written (tests, the fuzz target).
class StringSink : public ByteSink {
public:
    void write(const std::uint8_t* data, std::size_t size) override {
        m_data.append(reinterpret_cast<const char*>(data), size);
    }
    const std::string& data() const { return m_data; }

private:
    std::string m_data;
};

} // namespace sw
