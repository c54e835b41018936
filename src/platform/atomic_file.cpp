#include "platform/atomic_file.h"

#include "platform/io_error.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sw {

namespace {

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// Makes the rename itself durable: the folder entry lives in the folder's own data.
void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A failure that the folder is at fault for (no new file may be created in it, or no entry
// replaced): the second line names the folder, not the file.
IoError folderError(int errnoValue, const std::string& what, const std::string& folder) {
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, ignored);
    return IoError(what + ": " + std::strerror(errnoValue) + "\n" + (ignored ? folder : absolute.string()),
                   errnoValue);
}

bool isPermissionError(int errnoValue) {
    return errnoValue == EACCES || errnoValue == EPERM || errnoValue == EROFS;
}

} // namespace

AtomicFile::AtomicFile(std::string path) : m_path(std::move(path)) {}

AtomicFile::~AtomicFile() {
    discard();
}

void AtomicFile::open() {
    discard();
    m_target = m_path;
    struct stat link {};
    if (::lstat(m_path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        // A linked file stays linked: the file the link leads to is the one replaced.
        char* real = ::realpath(m_path.c_str(), nullptr);
        if (real == nullptr)
            throw IoError::fromErrno(errno, "Cannot open file \"" + m_path + "\"");
        m_target = real;
        std::free(real);
    }
    struct stat st {};
    if (::stat(m_target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            throw IoError::fromErrno(EISDIR, "Cannot open file \"" + m_path + "\"");
        if ((st.st_mode & S_IWUSR) == 0)
            throw IoError::fromErrno(EACCES, "Cannot open file \"" + m_path + "\"");
        m_mode = st.st_mode & 07777;
        m_keepMode = true;
        m_uid = st.st_uid;
        m_gid = st.st_gid;
    } else if (errno == EACCES) {
        throw folderError(errno, "Cannot open a file in folder", folderOf(m_target));
    } else if (errno != ENOENT) {
        throw IoError::fromErrno(errno, "Cannot open file \"" + m_path + "\"");
    }

    // A name beside the target ("aircraft.cfg.XXXXXX"), so the rename never crosses a mount.
    std::string pattern = m_target + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        throw folderError(errno, "Cannot create a temporary file in folder", folderOf(m_target));
    m_fd = fd;
    m_tempPath = name.data();
}

void AtomicFile::write(const std::string& bytes) {
    if (m_fd < 0)
        throw IoError("File \"" + m_path + "\" is not open", EBADF);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const long n = writeSome(m_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n == 0 ? ENOSPC : errno;
            discard();
            throw IoError::fromErrno(error, "Cannot write to file \"" + m_path + "\"");
        }
        done += static_cast<std::size_t>(n);
    }
}

void AtomicFile::commit() {
    if (m_fd < 0)
        throw IoError("File \"" + m_path + "\" is not open", EBADF);
    if (m_keepMode) {
        // Owner first (may fail when not privileged; the mode still applies), then mode,
        // since chown clears set-id bits.
        [[maybe_unused]] const int ignored = ::fchown(m_fd, m_uid, m_gid);
        if (::fchmod(m_fd, m_mode) != 0) {
            const int error = errno;
            discard();
            throw IoError::fromErrno(error, "Cannot write to file \"" + m_path + "\"");
        }
    } else {
        // mkstemp creates 0600; a new file gets the usual mode under the umask.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(m_fd, 0666 & ~mask);
    }
    if (syncFile(m_fd) != 0) {
        const int error = errno;
        discard();
        throw IoError::fromErrno(error, "Cannot write to file \"" + m_path + "\"");
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        discard();
        throw IoError::fromErrno(error, "Cannot write to file \"" + m_path + "\"");
    }
    if (renameFile(m_tempPath.c_str(), m_target.c_str()) != 0) {
        const int error = errno;
        discard();
        if (isPermissionError(error))
            throw folderError(error, "Cannot replace a file in folder", folderOf(m_target));
        throw IoError::fromErrno(error, "Cannot write to file \"" + m_path + "\"");
    }
    m_tempPath.clear();
    syncFolder(folderOf(m_target));
}

long AtomicFile::writeSome(int fd, const char* data, unsigned long size) {
    return static_cast<long>(::write(fd, data, size));
}

int AtomicFile::syncFile(int fd) {
    return ::fsync(fd);
}

int AtomicFile::renameFile(const char* from, const char* to) {
    return ::rename(from, to);
}

void AtomicFile::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

void writeFileAtomically(const std::string& path, const std::string& bytes) {
    AtomicFile file(path);
    file.open();
    file.write(bytes);
    file.commit();
}

} // namespace sw
