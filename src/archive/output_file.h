#pragma once

#include <optional>
#include <string>

#include "archive/byte_stream.h"
#include "archive/zip_archive.h"

namespace sw {

// The device and inode of a file that must never be written (the archive being read).
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

// What the files of one extraction share, learnt once: the mode a new file gets (0666 less
// the umask) and the start of the last local hour a DOS time fell in.
struct AttributeCache {
    int freshMode = -1;
    std::uint32_t hourKey = ~0u;
    std::int64_t hourStart = 0;
};

// An extracted file being written: created (or truncated) on construction, never through a
// symbolic link; closed by the destructor. An existing file that is `keep` (the same file,
// under any of its names) is left alone: EAbItemIsArchive.
class OutputFile : public ByteSink {
public:
    OutputFile(const std::string& path, const std::optional<FileIdentity>& keep); // raises FileCreateError
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(const std::uint8_t* data, std::size_t size) override; // raises IoError
    // The device and inode of the file (false when it cannot be told).
    bool identity(FileIdentity& id) const;
    // Gives the file the item's date and permissions (see applyItemAttributes), then closes it.
    void close(const TAbZipItem& item, AttributeCache* cache = nullptr); // raises IoError

private:
    std::string m_path;
    int m_fd = -1;
    bool m_fresh = false; // made by this object, not an existing file emptied
};

// Refuses (EAbUnsupportedEntryType) an item that archives made on Unix mark as a symbolic
// link, device, pipe or socket: only regular files are written.
void checkEntryType(const TAbZipItem& item);

// Sets the open file's modification time from the item's DOS date and time (local time) and
// its permission bits: the DOS read-only bit clears the write bits of group and others; for
// archives made on Unix the owner's execute bit comes from the archive (never setuid, setgid
// or sticky). The owner can always read and write what was extracted. Failures are ignored,
// as the file itself is complete.
// `fresh` says the file was just made, so its mode may come from `cache`.
void applyItemAttributes(int fd, const TAbZipItem& item, bool fresh = false, AttributeCache* cache = nullptr);

} // namespace sw
