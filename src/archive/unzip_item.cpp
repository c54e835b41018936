// Extraction of one item's data (APPNOTE 4.3.7 local header, 4.4.5 methods, 6.1 traditional
// encryption, 4.4.7 CRC-32).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "archive/crc32.h"
#include "archive/inflate.h"
#include "archive/legacy_io.h"
#include "archive/zip_archive.h"
#include "archive/zip_crypto.h"

namespace sw {

namespace {

std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kEncryptionHeaderSize = 12;
constexpr std::size_t kStoredChunk = 1024;
// The local header and the data of an item up to this size are read in one call.
constexpr std::size_t kHeadSize = 64 * 1024;

// An item's data: what was already read with its local header, then the rest from the file.
class HeadThenRangeSource : public ByteSource {
public:
    HeadThenRangeSource(const std::uint8_t* head, std::size_t headSize, RandomAccessInput& input,
                        std::uint64_t restOffset, std::uint64_t restSize)
        : m_head(head), m_headLeft(headSize), m_rest(input, restOffset, restSize) {}
    std::size_t read(std::uint8_t* buffer, std::size_t size) override {
        if (m_headLeft == 0)
            return m_rest.read(buffer, size);
        const std::size_t n = std::min(size, m_headLeft);
        std::memcpy(buffer, m_head, n);
        m_head += n;
        m_headLeft -= n;
        return n;
    }

private:
    const std::uint8_t* m_head;
    std::size_t m_headLeft;
    RangeSource m_rest;
};

class DecryptingSource : public ByteSource {
public:
    DecryptingSource(std::unique_ptr<ByteSource> inner, ZipCrypto crypto)
        : m_inner(std::move(inner)), m_crypto(crypto) {}
    std::size_t read(std::uint8_t* buffer, std::size_t size) override {
        const std::size_t n = m_inner->read(buffer, size);
        m_crypto.decrypt(buffer, n);
        return n;
    }

private:
    std::unique_ptr<ByteSource> m_inner;
    ZipCrypto m_crypto;
};

// Passes the decoded bytes on, keeping their CRC-32 and count, refusing more than the
// item's stated size (so a damaged or hostile stream cannot fill the disk), and reporting
// item progress whenever the whole percentage changes.
class CheckedSink : public ByteSink {
public:
    CheckedSink(ByteSink& out, TAbZipItem& item, ArchiveCallbacks& callbacks)
        : m_out(out), m_item(item), m_callbacks(callbacks), m_limit(item.UncompressedSize) {}

    void write(const std::uint8_t* data, std::size_t size) override {
        if (size == 0)
            return;
        if (size > m_limit - m_total)
            throw EAbReadError("Error reading archive: item data longer than its stated size");
        m_crc = crc32Update(m_crc, data, size);
        m_out.write(data, size);
        m_total += size;
        report(static_cast<int>(
            std::lround(static_cast<double>(m_total) * 100.0 / static_cast<double>(m_limit))));
    }

    void finish() {
        if (m_total != m_limit)
            throw EAbReadError("Error reading archive: item data shorter than its stated size");
        report(100);
    }

    std::uint32_t crc() const { return m_crc; }

private:
    void report(int percent) {
        if (percent == m_lastPercent || !m_callbacks.itemProgress)
            return;
        m_lastPercent = percent;
        bool abort = false;
        m_callbacks.itemProgress(m_item, static_cast<std::uint8_t>(percent), abort);
        if (abort)
            throw EAbUserAbort();
    }

    ByteSink& m_out;
    TAbZipItem& m_item;
    ArchiveCallbacks& m_callbacks;
    std::uint64_t m_limit;
    std::uint64_t m_total = 0;
    std::uint32_t m_crc = 0;
    int m_lastPercent = -1;
};

bool isSupportedMethod(unsigned method) {
    return method <= 6 || method == 8 || method == 9;
}

} // namespace

std::unique_ptr<ByteSource> TAbZipArchive::openEncrypted(TAbZipItem& item, std::uint64_t dataStart,
                                                         std::uint8_t checkByte) {
    if (Password.empty()) {
        std::string answer;
        if (Callbacks.needPassword)
            Callbacks.needPassword(answer);
        if (answer.empty())
            throw EAbZipInvalidPassword();
        Password = answer;
    }
    // Too short to hold the encryption header: no password can open it.
    if (item.CompressedSize < kEncryptionHeaderSize)
        throw EAbZipInvalidPassword();
    const unsigned attempts = std::max<unsigned>(1, PasswordRetries);
    for (unsigned attempt = 1;; ++attempt) {
        std::uint8_t header[kEncryptionHeaderSize];
        if (m_input->readAt(dataStart, header, sizeof header) != sizeof header)
            throw EAbReadError();
        ZipCrypto crypto(Password);
        if (crypto.checkHeader(header, checkByte))
            return std::make_unique<DecryptingSource>(
                std::make_unique<RangeSource>(*m_input, dataStart + kEncryptionHeaderSize,
                                              item.CompressedSize - kEncryptionHeaderSize),
                crypto);
        if (attempt >= attempts)
            throw EAbZipInvalidPassword();
        std::string answer;
        // Nobody to ask is a wrong password, not a user's abort.
        if (!Callbacks.needPassword || !Callbacks.needPassword(answer))
            throw EAbZipInvalidPassword();
        if (answer.empty())
            throw EAbUserAbort();
        Password = answer;
    }
}

void TAbZipArchive::markRead(std::uint64_t begin, std::uint64_t end) {
    // The first range that ends after `begin`; it overlaps when it also starts before `end`.
    auto it = std::upper_bound(m_read.begin(), m_read.end(), begin,
                               [](std::uint64_t value, const auto& range) { return value < range.second; });
    if (it != m_read.end() && it->first < end)
        throw EAbZipOverlap();
    // Ranges that touch are joined, so an archive read in order keeps a short list.
    const bool joinsBefore = it != m_read.begin() && std::prev(it)->second == begin;
    const bool joinsAfter = it != m_read.end() && it->first == end;
    if (joinsBefore && joinsAfter) {
        std::prev(it)->second = it->second;
        m_read.erase(it);
    } else if (joinsBefore) {
        std::prev(it)->second = end;
    } else if (joinsAfter) {
        it->first = begin;
    } else {
        m_read.insert(it, {begin, end});
    }
}

void TAbZipArchive::decode(TAbZipItem& item, unsigned method, ByteSource& source, ByteSink& sink,
                           std::uint64_t size, std::unique_ptr<Inflater>& inflater) {
    switch (method) {
    case 0: {
        std::uint8_t chunk[kStoredChunk];
        std::uint64_t left = size;
        while (left) {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(left, kStoredChunk));
            std::size_t got = 0;
            while (got < want) {
                const std::size_t n = source.read(chunk + got, want - got);
                if (n == 0)
                    throw EAbReadError();
                got += n;
            }
            sink.write(chunk, got);
            left -= got;
        }
        break;
    }
    case 1:
        unshrink(source, sink, size);
        break;
    case 2:
    case 3:
    case 4:
    case 5:
        unreduce(source, sink, size, method - 1);
        break;
    case 6:
        explode(source, sink, size, item.GeneralPurposeBitFlag & 0x0002, item.GeneralPurposeBitFlag & 0x0004);
        break;
    case 8:
    case 9: {
        try {
            if (!inflater)
                inflater = std::make_unique<Inflater>();
            inflater->setDeflate64(method == 9);
            inflater->inflate(source, sink);
        } catch (const EAbInflateError&) {
            // Encrypted data that passed the one-byte check with a wrong password decodes
            // as garbage; say so rather than blame the data.
            if (item.isEncrypted())
                throw EAbInflatePasswordError();
            throw;
        }
        break;
    }
    default:
        throw EAbZipInvalidMethod();
    }
}

void TAbZipArchive::UnzipItemToStream(TAbZipItem& item, ByteSink& output) {
    BusyScope busy(*this);
    PreparedItem prepared = PrepareItem(item);
    if (!DecodePrepared(item, prepared, output))
        ReportBadCRC(item);
}

void TAbZipArchive::ReportBadCRC(TAbZipItem& item) {
    if (!Callbacks.itemFailure)
        throw EAbZipBadCRC();
    Callbacks.itemFailure(item, ptExtract, ecArchive, kAbZipBadCRC);
}

TAbZipArchive::PreparedItem TAbZipArchive::PrepareItem(TAbZipItem& item) {
    BusyScope busy(*this);
    // "Version needed" above 2.0 is refused, except 2.1 for Deflate64, which 7-Zip declares
    // for the method this reader has a decoder for.
    const unsigned needed = item.VersionNeededToExtract & 0xFF;
    if (needed > 20 && !(needed == 21 && item.CompressionMethod == 9))
        throw EAbZipVersion();
    if (item.FileNameLength >= kMaxStoredName)
        throw EAbNameTooLong();

    const std::uint64_t local = std::uint64_t{item.RelativeOffset} + m_offsetShift;
    // One read for the local header and, when they fit, its name, extra field and data
    // (assuming the local lengths equal the directory's; checked below).
    if (!m_head)
        m_head = std::make_unique_for_overwrite<std::uint8_t[]>(kHeadSize);
    const std::uint8_t* const h = m_head.get();
    std::size_t headRead = 0;
    if (local <= m_input->size() && m_input->size() - local >= kLocalHeaderSize) {
        // Local extra fields are often a little longer than the directory's copies.
        const std::uint64_t wanted = kLocalHeaderSize + std::uint64_t{item.FileNameLength} +
                                     item.ExtraFieldLength + std::uint64_t{item.CompressedSize} + 64;
        headRead = m_input->readAt(
            local, m_head.get(),
            static_cast<std::size_t>(std::min<std::uint64_t>({wanted, kHeadSize, m_input->size() - local})));
    }
    if (headRead < kLocalHeaderSize)
        throw EAbZipInvalid("local header at offset " + std::to_string(local) +
                            " runs past the end of the file");
    if ((h[0] | (h[1] << 8) | (h[2] << 16) | (static_cast<std::uint32_t>(h[3]) << 24)) !=
        kLocalHeaderSignature)
        throw EAbZipInvalid("wrong local header signature at offset " + std::to_string(local));
    const std::uint16_t localFlags = le16(h + 6);
    // The local header's method chooses the decoder, as it describes the data that follows it.
    const std::uint16_t method = le16(h + 8);
    const std::uint16_t localTime = le16(h + 10);
    const std::uint64_t dataStart = local + kLocalHeaderSize + le16(h + 26) + le16(h + 28);
    if (!isSupportedMethod(method))
        throw EAbZipInvalidMethod();
    if (dataStart > m_input->size() || m_input->size() - dataStart < item.CompressedSize)
        throw EAbReadError();
    markRead(local, dataStart + item.CompressedSize);

    // APPNOTE 6.1.6: the last byte of the encryption header repeats the high byte of the
    // CRC, or of the time when the CRC follows the data (bit 3).
    const std::uint32_t checkValue =
        (localFlags & 0x0008) ? static_cast<std::uint32_t>(localTime) << 16 : item.CRC32;
    PreparedItem prepared;
    prepared.method = method;
    std::unique_ptr<ByteSource>& source = prepared.source;
    if (item.isEncrypted())
        source = openEncrypted(item, dataStart, static_cast<std::uint8_t>(checkValue >> 24));
    else if (dataStart < local + headRead)
        source = std::make_unique<HeadThenRangeSource>(
            h + (dataStart - local),
            static_cast<std::size_t>(
                std::min<std::uint64_t>(local + headRead - dataStart, item.CompressedSize)),
            *m_input, local + headRead,
            item.CompressedSize - std::min<std::uint64_t>(local + headRead - dataStart, item.CompressedSize));
    else
        source = std::make_unique<RangeSource>(*m_input, dataStart, item.CompressedSize);

    // The source may read from the head buffer: it goes with the item.
    prepared.head = std::move(m_head);
    return prepared;
}

bool TAbZipArchive::DecodePrepared(TAbZipItem& item, PreparedItem& prepared, ByteSink& output) {
    const bool crcMatches = DecodePrepared(item, prepared, output, m_inflater, Callbacks);
    m_head = std::move(prepared.head); // for the next item
    return crcMatches;
}

bool TAbZipArchive::DecodePrepared(TAbZipItem& item, PreparedItem& prepared, ByteSink& output,
                                   std::unique_ptr<Inflater>& inflater, ArchiveCallbacks& callbacks) {
    CheckedSink sink(output, item, callbacks);
    decode(item, prepared.method, *prepared.source, sink, item.UncompressedSize, inflater);
    sink.finish();
    return sink.crc() == item.CRC32;
}

} // namespace sw
