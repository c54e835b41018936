#include "archive/zip_archive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "archive/cp437.h"
#include "archive/crc32.h"
#include "archive/inflate.h"
#include "platform/io_error.h"

namespace sw {

namespace {

std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint64_t le64(const std::uint8_t* p) {
    return le32(p) | (static_cast<std::uint64_t>(le32(p + 4)) << 32);
}

// Reads exactly `size` bytes at `offset` or raises EAbZipInvalid (a directory that points
// outside the file is a damaged one); `what` names the structure for the cause.
void readExact(RandomAccessInput& input, std::uint64_t offset, std::uint8_t* buffer, std::size_t size,
               const char* what) {
    if (offset > input.size() || input.size() - offset < size || input.readAt(offset, buffer, size) != size)
        throw EAbZipInvalid(std::string(what) + " at offset " + std::to_string(offset) +
                            " runs past the end of the file");
}

std::string readString(RandomAccessInput& input, std::uint64_t offset, std::size_t size, const char* what) {
    std::string s(size, '\0');
    if (size)
        readExact(input, offset, reinterpret_cast<std::uint8_t*>(s.data()), size, what);
    return s;
}

// Reads the central directory in large blocks: the headers one after another, each no
// longer than 46 + 3 x 65,535 bytes.
class DirectoryReader {
public:
    DirectoryReader(RandomAccessInput& input, std::uint64_t end) : m_input(input), m_end(end) {}

    // The `size` bytes at `offset` (which the caller has checked lie before the end).
    const std::uint8_t* get(std::uint64_t offset, std::size_t size, const char* what) {
        if (offset < m_start || offset + size > m_start + m_buf.size()) {
            const auto want = static_cast<std::size_t>(
                std::min<std::uint64_t>(std::max<std::size_t>(size, kBlock), m_end - offset));
            m_buf.resize(std::max(want, size));
            readExact(m_input, offset, m_buf.data(), m_buf.size(), what);
            m_start = offset;
        }
        return m_buf.data() + (offset - m_start);
    }

private:
    static constexpr std::size_t kBlock = 64 * 1024;
    RandomAccessInput& m_input;
    std::uint64_t m_end;
    std::uint64_t m_start = 0;
    std::vector<std::uint8_t> m_buf;
};

std::string at(std::uint64_t offset) {
    return " at offset " + std::to_string(offset);
}

// The Unicode Path extra field (0x7075): version 1, the CRC-32 of the stored name, the name
// in UTF-8. Empty when absent, of another version or made for another name.
std::string_view unicodePath(std::string_view extra, std::string_view storedName) {
    std::size_t i = 0;
    while (extra.size() - i >= 4) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(extra.data() + i);
        const std::uint16_t tag = le16(p);
        const std::size_t length = le16(p + 2);
        if (extra.size() - i - 4 < length)
            break;
        if (tag == 0x7075 && length > 5 && p[4] == 1) {
            const auto* stored = reinterpret_cast<const std::uint8_t*>(storedName.data());
            if (le32(p + 5) == crc32Update(0, stored, storedName.size()))
                return extra.substr(i + 4 + 5, length - 5);
        }
        i += 4 + length;
    }
    return {};
}

bool isAscii(std::string_view s) {
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

std::optional<std::uint32_t> signatureAt(RandomAccessInput& input, std::uint64_t offset) {
    std::uint8_t b[4];
    if (offset > input.size() || input.size() - offset < 4 || input.readAt(offset, b, 4) != 4)
        return std::nullopt;
    return le32(b);
}

std::string upperExtension(const std::string& fileName) {
    const auto slash = fileName.find_last_of("/\\");
    const auto dot = fileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    std::string ext = fileName.substr(dot);
    for (auto& c : ext)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return ext;
}

} // namespace

std::string_view TAbZipArchive::TextStore::keep(std::string_view text) {
    if (text.empty())
        return {};
    if (text.size() > m_left) {
        const std::size_t size = std::max<std::size_t>(text.size(), 64 * 1024);
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(size));
        m_next = m_blocks.back().get();
        m_left = size;
    }
    std::memcpy(m_next, text.data(), text.size());
    const std::string_view kept(m_next, text.size());
    m_next += text.size();
    m_left -= text.size();
    return kept;
}

void TAbZipArchive::TextStore::clear() {
    m_blocks.clear();
    m_next = nullptr;
    m_left = 0;
}

bool TAbArchiveItem::isFolder() const {
    return !FileName.empty() && (FileName.back() == '/' || FileName.back() == '\\');
}

FileInput::FileInput(const std::string& path) {
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        throw IoError::fromErrno(errno, "Cannot open " + path);
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) {
        const int e = errno;
        ::close(m_fd);
        throw IoError::fromErrno(e, "Cannot read " + path);
    }
    m_size = static_cast<std::uint64_t>(st.st_size);
    m_device = static_cast<std::uint64_t>(st.st_dev);
    m_inode = static_cast<std::uint64_t>(st.st_ino);
}

bool FileInput::fileIdentity(std::uint64_t& device, std::uint64_t& inode) const {
    device = m_device;
    inode = m_inode;
    return true;
}

FileInput::~FileInput() {
    if (m_fd >= 0)
        ::close(m_fd);
}

std::size_t FileInput::readAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(m_fd, buffer + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw IoError::fromErrno(errno, "Cannot read archive");
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::uint8_t ProgressPercent(std::int64_t done, std::int64_t total) {
    if (total > 16384000) {
        done = (done + 128) / 256;
        total = (total + 128) / 256;
    }
    if (total <= 0)
        return 0;
    if (done < total)
        return static_cast<std::uint8_t>(std::max<std::int64_t>(0, done) * 100 / total);
    return 100;
}

std::optional<std::uint64_t> LocateEndRecord(RandomAccessInput& input) {
    const std::uint64_t size = input.size();
    if (size < kEndRecordSize)
        return std::nullopt;
    std::uint8_t tail[kEndRecordSize];
    if (input.readAt(size - kEndRecordSize, tail, kEndRecordSize) == kEndRecordSize &&
        le32(tail) == kEndRecordSignature && le16(tail + 20) == 0)
        return size - kEndRecordSize;

    std::vector<std::uint8_t> window;
    std::uint64_t end = size;
    std::size_t windowSize = 512;
    for (;;) {
        const std::uint64_t start = end > windowSize ? end - windowSize : 0;
        window.resize(static_cast<std::size_t>(end - start));
        if (input.readAt(start, window.data(), window.size()) != window.size())
            return std::nullopt;
        for (std::size_t i = window.size() >= 4 ? window.size() - 4 + 1 : 0; i-- > 0;) {
            if (le32(&window[i]) != kEndRecordSignature)
                continue;
            const std::uint64_t pos = start + i;
            if (size - pos < kEndRecordSize)
                continue;
            std::uint8_t len[2];
            if (input.readAt(pos + 20, len, 2) != 2)
                continue;
            if (size - pos - kEndRecordSize >= le16(len))
                return pos;
        }
        if (start == 0)
            return std::nullopt;
        end = start + 4; // successive windows overlap by 4 bytes
        windowSize = std::min<std::size_t>(windowSize * 2, 65536);
    }
}

TAbArchiveType DetectArchiveType(const std::string& fileName) {
    FileInput input(fileName);
    return DetectArchiveType(fileName, input);
}

TAbArchiveType DetectArchiveType(const std::string& fileName, RandomAccessInput& input) {
    const std::string ext = upperExtension(fileName);
    if (input.size() == 0) {
        if (ext == ".ZIP")
            return atZip;
        if (ext == ".TAR")
            return atTar;
        if (ext == ".GZ")
            return atGzip;
        if (ext == ".TGZ")
            return atGzippedTar;
        if (ext == ".CAB")
            return atCab;
        return atUnknown;
    }
    std::uint8_t head[4] = {0, 0, 0, 0};
    input.readAt(0, head, 4);
    if (ext == ".EXE") {
        const bool program = (head[0] == 'M' && head[1] == 'Z') ||
                             (head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F');
        return program && LocateEndRecord(input) ? atSelfExtZip : atUnknown;
    }
    if (ext == ".ZIP") {
        if (input.size() >= 4 && (le32(head) == kSpannedSignature || le32(head) == kSpannedSingleSignature))
            return atSpannedZip;
        return LocateEndRecord(input) ? atZip : atUnknown;
    }
    // FIXME: the tar, gzip and cabinet content tests; their readers do not exist either.
    return atUnknown;
}

TAbZipArchive::TAbZipArchive(std::unique_ptr<RandomAccessInput> input, std::string fileName)
    : m_input(std::move(input)), m_fileName(std::move(fileName)) {}

TAbZipArchive::~TAbZipArchive() = default;

TAbZipItem* TAbZipArchive::Find(const std::string& name) {
    for (auto& item : m_items)
        if (item.FileName == name)
            return &item;
    return nullptr;
}

void TAbZipArchive::reportProgress(std::uint8_t progress) {
    bool abort = false;
    if (Callbacks.archiveProgress)
        Callbacks.archiveProgress(progress, abort);
    if (abort) {
        markInvalid();
        throw EAbUserAbort();
    }
}

// APPNOTE 4.3.16 end record, 4.3.15 Zip64 locator, 4.3.12 central directory headers.
void TAbZipArchive::LoadCentralDirectory() {
    BusyScope busy(*this);
    m_items.clear();
    m_text.clear();
    m_read.clear();
    RandomAccessInput& in = *m_input;
    const std::uint64_t size = in.size();
    if (size == 0)
        return;
    std::uint8_t head[4] = {0, 0, 0, 0};
    in.readAt(0, head, 4);
    m_isExecutable = head[0] == 'M' && head[1] == 'Z';

    // A spanning marker in front of a single-segment archive is followed by an ordinary
    // archive, so the end record is looked for in every case.
    const auto endPos = LocateEndRecord(in);
    if (!endPos) {
        markInvalid();
        // A file that starts with PK but has no end record is one disk of a spanned set,
        // which this reader does not join.
        throw EAbZipInvalid("no end of central directory record");
    }
    std::uint8_t rec[kEndRecordSize];
    readExact(in, *endPos, rec, kEndRecordSize, "end of central directory record");
    if (le32(rec) != kEndRecordSignature) {
        markInvalid();
        throw EAbZipInvalid("wrong end of central directory signature" + at(*endPos));
    }
    const std::uint16_t diskNumber = le16(rec + 4);
    const std::uint16_t directoryDisk = le16(rec + 6);
    std::uint64_t totalEntries = le16(rec + 10);
    std::uint64_t directorySize = le32(rec + 12);
    std::uint64_t directoryOffset = le32(rec + 16);
    const std::uint16_t commentLength = le16(rec + 20);
    if (diskNumber != 0 || directoryDisk != 0) {
        markInvalid();
        throw EAbZipInvalid("end record names disk " + std::to_string(diskNumber) + " of a spanned set");
    }
    m_comment = readString(in, *endPos + kEndRecordSize, commentLength, "archive comment");

    // Where the directory ends: at the Zip64 end record when a locator precedes the end record.
    std::uint64_t directoryEnd = *endPos;
    if (*endPos >= 20 && signatureAt(in, *endPos - 20) == 0x07064B50u) {
        std::uint8_t loc[20];
        readExact(in, *endPos - 20, loc, 20, "Zip64 end record locator");
        const std::uint64_t zip64End = le64(loc + 8);
        directoryEnd =
            zip64End < *endPos - 20 && signatureAt(in, zip64End) == 0x06064B50u ? zip64End : *endPos - 20;
        // APPNOTE 4.3.14: the Zip64 end record holds the values the classic one marks 0xFFFF(FFFF).
        std::uint8_t z[56];
        if (directoryEnd == zip64End && *endPos - 20 - zip64End >= sizeof z) {
            readExact(in, zip64End, z, sizeof z, "Zip64 end record");
            if (totalEntries == 0xFFFF)
                totalEntries = le64(z + 32);
            if (directorySize == 0xFFFFFFFF)
                directorySize = le64(z + 40);
            if (directoryOffset == 0xFFFFFFFF)
                directoryOffset = le64(z + 48);
        }
    }
    // An archive with bytes prepended (a self-extracting stub whose offsets were not
    // adjusted): the directory really sits just before its end, and every offset is short by
    // the same amount.
    std::uint64_t position = directoryOffset;
    m_offsetShift = 0;
    // An empty directory sits where the end record starts, wherever its offset points.
    if (directorySize == 0 && totalEntries == 0)
        position = directoryEnd;
    if (directorySize <= directoryEnd && directoryOffset + directorySize != directoryEnd) {
        const std::uint64_t expected = directoryEnd - directorySize;
        if (expected > directoryOffset && signatureAt(in, directoryOffset) != kCentralHeaderSignature &&
            signatureAt(in, expected) == kCentralHeaderSignature) {
            m_offsetShift = expected - directoryOffset;
            position = expected;
        }
    }
    if (position > directoryEnd) {
        markInvalid();
        throw EAbZipInvalid("central directory offset " + std::to_string(position) +
                            " lies past its end at " + std::to_string(directoryEnd));
    }
    // The directory and what follows it belong to no item.
    m_read.emplace_back(position, size);

    // Headers are read up to the end record whatever its entry count says.
    std::uint64_t lowestOffset = UINT64_MAX;
    std::uint8_t h[46];
    DirectoryReader directory(in, directoryEnd);
    while (position < directoryEnd) {
        if (directoryEnd - position < sizeof h) {
            markInvalid();
            throw EAbZipInvalid("central directory header" + at(position) + " is cut short");
        }
        std::memcpy(h, directory.get(position, sizeof h, "central directory header"), sizeof h);
        if (le32(h) != kCentralHeaderSignature) {
            markInvalid();
            throw EAbZipInvalid("wrong central directory header signature" + at(position));
        }
        TAbZipItem& item = m_items.emplace_back();
        item.VersionMadeBy = le16(h + 4);
        item.VersionNeededToExtract = le16(h + 6);
        item.GeneralPurposeBitFlag = le16(h + 8);
        item.CompressionMethod = le16(h + 10);
        item.LastModFileTime = le16(h + 12);
        item.LastModFileDate = le16(h + 14);
        item.CRC32 = le32(h + 16);
        item.CompressedSize = le32(h + 20);
        item.UncompressedSize = le32(h + 24);
        const std::size_t nameLength = le16(h + 28);
        const std::size_t extraLength = le16(h + 30);
        const std::size_t fileCommentLength = le16(h + 32);
        item.DiskNumberStart = le16(h + 34);
        item.InternalFileAttributes = le16(h + 36);
        item.ExternalFileAttributes = le32(h + 38);
        item.RelativeOffset = le32(h + 42);
        const std::uint64_t variable = nameLength + extraLength + fileCommentLength;
        if (directoryEnd - position - sizeof h < variable) {
            markInvalid();
            throw EAbZipInvalid("name, extra field and comment of the central directory header" +
                                at(position) + " run past the directory");
        }
        const auto* variablePart = reinterpret_cast<const char*>(
            directory.get(position + sizeof h, static_cast<std::size_t>(variable), "stored name"));
        item.FileNameLength = static_cast<std::uint16_t>(nameLength);
        item.ExtraFieldLength = static_cast<std::uint16_t>(extraLength);
        const std::string_view storedName(variablePart, nameLength);
        item.FileComment = m_text.keep({variablePart + nameLength + extraLength, fileCommentLength});
        // The name: the Unicode Path extra field (0x7075) when its CRC matches the stored name;
        // else UTF-8 with general purpose bit 11; else the bytes as they are for names made on
        // Unix (host 3) and macOS (19), as Linux tools keep them; else code page 437, the OEM
        // code page of DOS and Windows zip tools.
        const std::string_view unicode = unicodePath({variablePart + nameLength, extraLength}, storedName);
        if (!unicode.empty())
            item.FileName = m_text.keep(unicode);
        else if (item.isUtf8() || item.hostSystem() == 3 || item.hostSystem() == 19 || isAscii(storedName))
            item.FileName = m_text.keep(storedName);
        else
            item.FileName = m_text.keep(cp437ToUtf8(std::string(storedName)));
        position += sizeof h + variable;
        lowestOffset = std::min<std::uint64_t>(lowestOffset, item.RelativeOffset);

        const std::size_t n = m_items.size();
        reportProgress(totalEntries == 0
                           ? 0
                           : static_cast<std::uint8_t>(std::min<std::uint64_t>(100, n * 100 / totalEntries)));
    }
    reportProgress(100);
    if (m_isExecutable && lowestOffset != UINT64_MAX)
        m_stubSize = lowestOffset + m_offsetShift;
}

} // namespace sw
