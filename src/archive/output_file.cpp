#include "archive/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "archive/output_path.h"

namespace sw {

namespace {
constexpr unsigned kHostUnix = 3;
constexpr std::uint32_t kTypeMask = 0170000;
constexpr std::uint32_t kTypeRegular = 0100000;
} // namespace

namespace {
[[noreturn]] void throwCreateError(int error, const std::string& path) {
    const IoError e = IoError::fromErrno(error, "Cannot create " + path);
    throw FileCreateError(e.what(), e.code());
}

bool isKept(const struct stat& st, const std::optional<FileIdentity>& keep) {
    return keep && static_cast<std::uint64_t>(st.st_dev) == keep->device &&
           static_cast<std::uint64_t>(st.st_ino) == keep->inode;
}
} // namespace

OutputFile::OutputFile(const std::string& path, const std::optional<FileIdentity>& keep) : m_path(path) {
    // A new file is the common case and needs one call.
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    m_fresh = m_fd >= 0;
    if (m_fresh)
        return;
    if (errno != EEXIST)
        throwCreateError(errno, path);
    // An existing file is looked at before it is opened for writing (the archive may be
    // read-only) and again once open (it may have been swapped in between); it is emptied
    // only when it is not the file to keep.
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && isKept(st, keep))
        throw EAbItemIsArchive();
    m_fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (m_fd < 0)
        throwCreateError(errno, path);
    if (::fstat(m_fd, &st) != 0 || isKept(st, keep) || !S_ISREG(st.st_mode) ||
        (st.st_size != 0 && ::ftruncate(m_fd, 0) != 0)) {
        const int error = errno;
        ::close(m_fd);
        m_fd = -1;
        if (isKept(st, keep))
            throw EAbItemIsArchive();
        throwCreateError(S_ISREG(st.st_mode) ? error : EINVAL, path);
    }
}

OutputFile::~OutputFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void OutputFile::write(const std::uint8_t* data, std::size_t size) {
    while (size) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw IoError::fromErrno(errno, "Cannot write " + m_path);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

bool OutputFile::identity(FileIdentity& id) const {
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return false;
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.inode = static_cast<std::uint64_t>(st.st_ino);
    return true;
}

void OutputFile::close(const TAbZipItem& item, AttributeCache* cache) {
    if (m_fd >= 0)
        applyItemAttributes(m_fd, item, m_fresh, cache);
    const int fd = m_fd;
    m_fd = -1;
    if (fd >= 0 && ::close(fd) != 0)
        throw IoError::fromErrno(errno, "Cannot write " + m_path);
}

void checkEntryType(const TAbZipItem& item) {
    if (item.hostSystem() != kHostUnix)
        return;
    const std::uint32_t type = (item.ExternalFileAttributes >> 16) & kTypeMask;
    if (type != 0 && type != kTypeRegular)
        throw EAbUnsupportedEntryType();
}

void applyItemAttributes(int fd, const TAbZipItem& item, bool fresh, AttributeCache* cache) {
    // DOS date and time (APPNOTE 4.4.6): local time, two-second resolution. The start of the
    // local hour comes from mktime (which looks at the time zone file on every call), once per
    // hour the archive's times fall in; minutes and seconds are added to it.
    const std::uint32_t hourKey =
        (static_cast<std::uint32_t>(item.LastModFileDate) << 5) | ((item.LastModFileTime >> 11) & 0x1F);
    std::time_t hourStart = static_cast<std::time_t>(-1);
    if (cache && cache->hourKey == hourKey) {
        hourStart = static_cast<std::time_t>(cache->hourStart);
    } else {
        std::tm t{};
        t.tm_year = ((item.LastModFileDate >> 9) & 0x7F) + 80;
        t.tm_mon = ((item.LastModFileDate >> 5) & 0x0F) - 1;
        t.tm_mday = item.LastModFileDate & 0x1F;
        t.tm_hour = (item.LastModFileTime >> 11) & 0x1F;
        t.tm_isdst = -1;
        hourStart = std::mktime(&t);
        if (cache) {
            cache->hourKey = hourKey;
            cache->hourStart = hourStart;
        }
    }
    if (hourStart != static_cast<std::time_t>(-1)) {
        const std::time_t when =
            hourStart + ((item.LastModFileTime >> 5) & 0x3F) * 60 + (item.LastModFileTime & 0x1F) * 2;
        struct timespec times[2];
        times[0].tv_sec = times[1].tv_sec = when;
        times[0].tv_nsec = times[1].tv_nsec = 0;
        ::futimens(fd, times);
    }

    const std::uint32_t unixMode = item.ExternalFileAttributes >> 16;
    const bool fromUnix = item.hostSystem() == kHostUnix && unixMode != 0;
    const bool readOnly = item.ExternalFileAttributes & 0x01; // FILE_ATTRIBUTE_READONLY
    if (!fromUnix && !readOnly)
        return; // the mode the file was made with stands
    struct stat st {};
    if (fresh && cache && cache->freshMode >= 0) {
        st.st_mode = static_cast<mode_t>(cache->freshMode);
    } else {
        if (::fstat(fd, &st) != 0)
            return;
        if (fresh && cache)
            cache->freshMode = static_cast<int>(st.st_mode & 07777);
    }
    mode_t mode = st.st_mode & 0777;
    if (fromUnix)
        mode = (mode & 0077) | (unixMode & 0700);
    if (readOnly)
        mode &= ~static_cast<mode_t>(0022);
    mode |= 0600; // the owner must be able to copy and remove what was extracted
    if (mode != (st.st_mode & 07777))
        ::fchmod(fd, mode);
}

} // namespace sw
