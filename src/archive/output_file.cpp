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

OutputFile::OutputFile(const std::string& path) : m_path(path) {
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        const IoError e = IoError::fromErrno(errno, "Cannot create " + path);
        throw FileCreateError(e.what(), e.code());
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

void OutputFile::close() {
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

void applyItemAttributes(const std::string& path, const TAbZipItem& item) {
    // DOS date and time (APPNOTE 4.4.6): local time, two-second resolution.
    std::tm t{};
    t.tm_year = ((item.LastModFileDate >> 9) & 0x7F) + 80;
    t.tm_mon = ((item.LastModFileDate >> 5) & 0x0F) - 1;
    t.tm_mday = item.LastModFileDate & 0x1F;
    t.tm_hour = (item.LastModFileTime >> 11) & 0x1F;
    t.tm_min = (item.LastModFileTime >> 5) & 0x3F;
    t.tm_sec = (item.LastModFileTime & 0x1F) * 2;
    t.tm_isdst = -1;
    const std::time_t when = std::mktime(&t);
    if (when != static_cast<std::time_t>(-1) && t.tm_mday > 0) {
        struct timespec times[2];
        times[0].tv_sec = times[1].tv_sec = when;
        times[0].tv_nsec = times[1].tv_nsec = 0;
        ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }

    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    mode_t mode = st.st_mode & 0777;
    const std::uint32_t unixMode = item.ExternalFileAttributes >> 16;
    if (item.hostSystem() == kHostUnix && unixMode != 0)
        mode = (mode & 0077) | (unixMode & 0700);
    if (item.ExternalFileAttributes & 0x01) // FILE_ATTRIBUTE_READONLY
        mode &= ~static_cast<mode_t>(0222);
    ::chmod(path.c_str(), mode);
}

} // namespace sw
