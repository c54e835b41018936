#pragma once

#include <string>

namespace sw {

// Replaces a file's whole content without ever leaving it half written: the bytes go to a
// temporary file in the same folder, which is flushed to disk and then renamed over the
// target, taking over the target's permission bits (and owner, where allowed). Until the
// rename the old file is untouched; a crash leaves at worst a stray temporary file.
//
// A target that is a symbolic link stays a link: the file it leads to is replaced, with the
// temporary file beside that file.
//
// An existing target whose owner write bit is clear is refused, as opening a read-only file
// for rewriting is refused on Windows (checked by the bit: the rename itself would succeed).
//
// Errors throw IoError at the failing step; the temporary file is removed. When the folder
// is at fault (no temporary file can be created in it, or it refuses the rename) the error's
// second line names the folder.
class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    virtual ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file. Throws IoError when the target is read-only or the folder
    // does not accept a new file.
    void open();
    // Appends bytes to the temporary file.
    void write(const std::string& bytes);
    // Flushes, syncs and renames the temporary file over the target, then syncs the folder.
    void commit();

    const std::string& path() const { return m_path; }

protected:
    // The system calls, so tests can make any step fail.
    virtual long writeSome(int fd, const char* data, unsigned long size);
    virtual int syncFile(int fd);
    virtual int renameFile(const char* from, const char* to);

private:
    void discard();

    std::string m_path;
    std::string m_target; // m_path, or the file it links to
    std::string m_tempPath;
    int m_fd = -1;
    unsigned m_mode = 0;
    bool m_keepMode = false;
    unsigned m_uid = 0;
    unsigned m_gid = 0;
};

// Opens, writes and commits in one go.
void writeFileAtomically(const std::string& path, const std::string& bytes);

} // namespace sw
