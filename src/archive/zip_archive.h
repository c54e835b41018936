#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/ab_exception.h"
#include "archive/byte_stream.h"
#include "archive/meter_link.h"

namespace sw {

// The archive types DetectArchiveType tells apart.
enum TAbArchiveType { atUnknown, atZip, atSpannedZip, atSelfExtZip, atTar, atGzip, atGzippedTar, atCab };

enum TAbProcessType { ptAdd, ptDelete, ptExtract, ptFreshen, ptMove, ptReplace, ptFoundUnhandled };

enum TAbArchiveStatus { asInvalid, asIdle, asBusy };

enum TAbExtractOption { eoCreateDirs = 1, eoRestorePath = 2 };
using TAbExtractOptions = unsigned; // a set of TAbExtractOption bits

// Signatures (APPNOTE 4.3.7, 4.3.12, 4.3.16, 8.5.3).
constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr std::uint32_t kEndRecordSignature = 0x06054B50;
constexpr std::uint32_t kSpannedSignature = 0x08074B50;
constexpr std::uint32_t kSpannedSingleSignature = 0x30304B50;

// The fixed part of the end of central directory record (APPNOTE 4.3.16).
constexpr std::size_t kEndRecordSize = 22;
// Stored names this long or longer are refused (the classic name buffer held 264 bytes).
constexpr std::size_t kMaxStoredName = 264;

class Inflater;

class TAbArchiveItem {
public:
    virtual ~TAbArchiveItem() = default;
    // The name as the program sees it: UTF-8, with the archive's own separators. The
    // archive holds the characters for as long as it is open.
    std::string_view FileName;
    // A folder entry: the stored name ends in a separator.
    bool isFolder() const;
};

// One central directory file header (APPNOTE 4.3.12).
class TAbZipItem : public TAbArchiveItem {
public:
    std::uint16_t VersionMadeBy = 0;
    std::uint16_t VersionNeededToExtract = 0;
    std::uint16_t GeneralPurposeBitFlag = 0;
    std::uint16_t CompressionMethod = 0;
    std::uint16_t LastModFileTime = 0;
    std::uint16_t LastModFileDate = 0;
    std::uint32_t CRC32 = 0;
    std::uint32_t CompressedSize = 0;
    std::uint32_t UncompressedSize = 0;
    std::uint16_t DiskNumberStart = 0;
    std::uint16_t InternalFileAttributes = 0;
    std::uint32_t ExternalFileAttributes = 0;
    std::uint32_t RelativeOffset = 0;
    // The lengths of the stored name and extra field; the name is FileName once decoded, and
    // the extra field is read for the Unicode Path field only.
    std::uint16_t FileNameLength = 0;
    std::uint16_t ExtraFieldLength = 0;
    std::string_view FileComment; // held by the archive, as FileName

    bool isEncrypted() const { return GeneralPurposeBitFlag & 0x0001; }
    bool isUtf8() const { return GeneralPurposeBitFlag & 0x0800; }
    // The host system of "version made by" (APPNOTE 4.4.2): 0 MS-DOS, 3 Unix, ...
    unsigned hostSystem() const { return VersionMadeBy >> 8; }
};

// Events the archive raises; the component relays them with itself as sender.
struct ArchiveCallbacks {
    // Percentage of the archive; set abort to stop.
    std::function<void(std::uint8_t progress, bool& abort)> archiveProgress;
    std::function<void(TAbZipItem& item, std::uint8_t progress, bool& abort)> itemProgress;
    // Asked for a (new) password; leaving it empty means none.
    std::function<bool(std::string& newPassword)> needPassword; // false when nobody answers
    // An item's failure that does not end the item (a CRC mismatch).
    std::function<void(TAbZipItem& item, TAbProcessType, TAbErrorClass, int code)> itemFailure;
};

// What every archive type shares: its status and the lock an operation holds.
class TAbArchive {
public:
    virtual ~TAbArchive() = default;

    TAbArchiveStatus Status() const { return m_status; }
    void markInvalid() { m_status = asInvalid; }

    // Marks the archive busy, under its lock, for an operation's lifetime.
    class BusyScope {
    public:
        explicit BusyScope(TAbArchive& a) : m_archive(a), m_guard(a.m_lock) {
            if (m_archive.m_status == asIdle)
                m_archive.m_status = asBusy;
        }
        ~BusyScope() {
            if (m_archive.m_status == asBusy)
                m_archive.m_status = asIdle;
        }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        TAbArchive& m_archive;
        std::lock_guard<std::recursive_mutex> m_guard;
    };

private:
    TAbArchiveStatus m_status = asIdle;
    std::recursive_mutex m_lock;
};

// An open zip archive: its central directory, read once, and item-level extraction.
class TAbZipArchive : public TAbArchive {
public:
    TAbZipArchive(std::unique_ptr<RandomAccessInput> input, std::string fileName);
    virtual ~TAbZipArchive();

    // Reads the end record and every central directory header (raises EAbZipInvalid for a
    // damaged directory, EAbUserAbort when the progress event aborts).
    void LoadCentralDirectory();

    std::size_t Count() const { return m_items.size(); }
    TAbZipItem& Item(std::size_t index) { return m_items[index]; }
    // The first item of that name (as stored, converted to UTF-8), or null.
    TAbZipItem* Find(const std::string& name);

    // Decodes one item into `output` (APPNOTE 4.3.7 onwards): version and method checks,
    // decryption, the decoder, the CRC-32.
    void UnzipItemToStream(TAbZipItem& item, ByteSink& output);

    // An item whose local header was read and checked: its decoder and compressed input.
    struct PreparedItem {
        unsigned method = 0;
        std::unique_ptr<ByteSource> source;
        std::unique_ptr<std::uint8_t[]> head; // the first bytes `source` hands out
    };
    // UnzipItemToStream in two steps, for an extraction that decodes an item on another
    // thread while it goes on with the next ones. PrepareItem does everything that must
    // happen in item order (the local header, the overlap check, the password); DecodePrepared
    // touches nothing of the archive but its file, read at offsets, and returns whether the
    // CRC-32 matched (the caller reports a mismatch). `inflater` is the decoder to use (made
    // when null); `callbacks` gets the item's progress.
    PreparedItem PrepareItem(TAbZipItem& item);
    // With the archive's own decoder and callbacks, on the archive's thread.
    bool DecodePrepared(TAbZipItem& item, PreparedItem& prepared, ByteSink& output);
    // Reports an item whose CRC-32 did not match to the failure callback, or raises
    // EAbZipBadCRC when there is none.
    void ReportBadCRC(TAbZipItem& item);
    static bool DecodePrepared(TAbZipItem& item, PreparedItem& prepared, ByteSink& output,
                               std::unique_ptr<Inflater>& inflater, ArchiveCallbacks& callbacks);

    const std::string& ArchiveComment() const { return m_comment; }
    // For a program file: the size of the leading program part.
    std::uint64_t StubSize() const { return m_stubSize; }
    // The device and inode of the archive's file (false when it is read from memory).
    bool fileIdentity(std::uint64_t& device, std::uint64_t& inode) const {
        return m_input->fileIdentity(device, inode);
    }

    std::string Password;
    std::uint8_t PasswordRetries = 3;
    ArchiveCallbacks Callbacks;

private:
    void reportProgress(std::uint8_t progress);
    static void decode(TAbZipItem& item, unsigned method, ByteSource& source, ByteSink& sink,
                       std::uint64_t size, std::unique_ptr<Inflater>& inflater);
    std::unique_ptr<ByteSource> openEncrypted(TAbZipItem& item, std::uint64_t dataStart,
                                              std::uint8_t checkByte);
    // Records [begin, end) of the file as read; raises EAbZipOverlap when any of it was read
    // before (by another item, or as the central directory).
    void markRead(std::uint64_t begin, std::uint64_t end);

    // Keeps the names and comments of the items, in blocks that never move.
    class TextStore {
    public:
        std::string_view keep(std::string_view text);
        void clear();

    private:
        std::vector<std::unique_ptr<char[]>> m_blocks;
        char* m_next = nullptr;
        std::size_t m_left = 0;
    };

    std::unique_ptr<RandomAccessInput> m_input;
    std::string m_fileName;
    std::deque<TAbZipItem> m_items; // central directory order; a deque keeps each in place
    TextStore m_text;
    std::string m_comment;
    bool m_isExecutable = false;
    std::uint64_t m_stubSize = 0;
    // The amount added to every stored offset (a self-extracting archive whose offsets were
    // not adjusted for the program part in front).
    std::uint64_t m_offsetShift = 0;
    // Disjoint ranges of the file already read, sorted by their start.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> m_read;
    // Kept from one item to the next: the deflate decoder's buffers, and the first bytes of an
    // item (its local header and, for a small item, all its data), read in one call.
    std::unique_ptr<Inflater> m_inflater;
    std::unique_ptr<std::uint8_t[]> m_head;
};

// The position of the end of central directory record, if the input has one (scanning
// backwards from the end in growing windows; a candidate counts only when its comment fits).
std::optional<std::uint64_t> LocateEndRecord(RandomAccessInput& input);

// The type of an archive file by its upper-cased extension and, for ".ZIP" and ".EXE", its
// content. Raises the platform's IoError when the file cannot be read.
TAbArchiveType DetectArchiveType(const std::string& fileName);
TAbArchiveType DetectArchiveType(const std::string& fileName, RandomAccessInput& input);

// Percentage done (0..100) for progress reports, safe for any totals.
std::uint8_t ProgressPercent(std::int64_t done, std::int64_t total);

// A file on disk read at any offset (raises IoError when it cannot be opened).
class FileInput : public RandomAccessInput {
public:
    explicit FileInput(const std::string& path);
    ~FileInput() override;
    FileInput(const FileInput&) = delete;
    FileInput& operator=(const FileInput&) = delete;
    std::uint64_t size() const override { return m_size; }
    std::size_t readAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) override;
    bool fileIdentity(std::uint64_t& device, std::uint64_t& inode) const override;

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
    std::uint64_t m_device = 0;
    std::uint64_t m_inode = 0;
};

} // namespace sw
