#pragma once

#include <string>

#include "archive/byte_stream.h"
#include "archive/zip_archive.h"

namespace sw {

// An extracted file being written: created (or truncated) on construction, never through a
// symbolic link; closed by the destructor.
class OutputFile : public ByteSink {
public:
    explicit OutputFile(const std::string& path); // raises FileCreateError
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(const std::uint8_t* data, std::size_t size) override; // raises IoError
    void close();                                                    // raises IoError

private:
    std::string m_path;
    int m_fd = -1;
};

// Refuses (EAbUnsupportedEntryType) an item that archives made on Unix mark as a symbolic
// link, device, pipe or socket: only regular files are written.
void checkEntryType(const TAbZipItem& item);

// Sets the file's modification time from the item's DOS date and time (local time) and its
// permission bits: the DOS read-only bit clears the write bits; for archives made on Unix the
// owner's read/write/execute bits come from the archive (never setuid, setgid or sticky).
// Failures are ignored, as the file itself is complete.
void applyItemAttributes(const std::string& path, const TAbZipItem& item);

} // namespace sw
