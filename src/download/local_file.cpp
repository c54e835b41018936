#include "download/local_file.h"

#include "platform/file_system.h"
#include "platform/io_error.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace sw {

LocalFile::LocalFile(const std::string& path) : m_path(path) {
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0)
        throw IoError::fromErrno(errno, "Cannot open file \"" + path + "\"");
}

LocalFile::~LocalFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void LocalFile::startAt(std::int64_t position) {
    struct stat info {};
    if (::fstat(m_fd, &info) != 0)
        throw IoError::fromErrno(errno, "Cannot read the size of \"" + m_path + "\"");
    if (info.st_size > position && ::ftruncate(m_fd, static_cast<off_t>(position)) != 0)
        throw IoError::fromErrno(errno, "Cannot truncate \"" + m_path + "\"");
    if (::lseek(m_fd, static_cast<off_t>(position), SEEK_SET) < 0)
        throw IoError::fromErrno(errno, "Cannot seek in \"" + m_path + "\"");
}

void LocalFile::write(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw IoError::fromErrno(errno, "Cannot write to \"" + m_path + "\"");
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void LocalFile::close() {
    if (m_fd < 0)
        return;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        throw IoError::fromErrno(errno, "Cannot close \"" + m_path + "\"");
}

std::string downloadFilePath(const std::string& path) {
    return fs::resolve(fs::toNative(path));
}

std::optional<std::int64_t> LocalFile::sizeOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
        return std::nullopt;
    return static_cast<std::int64_t>(info.st_size);
}

} // namespace sw
