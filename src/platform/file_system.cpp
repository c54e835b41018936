#include "platform/file_system.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace sw::fs {

namespace {

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now and reports whether the close succeeded (a delayed write error shows here).
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

std::uint32_t attributesFromStat(const struct stat& st) {
    std::uint32_t attributes = S_ISDIR(st.st_mode) ? kAttrDirectory : kAttrArchive;
    if ((st.st_mode & S_IWUSR) == 0)
        attributes |= kAttrReadOnly;
    return attributes;
}

// stat() that follows links, falling back to the link itself for a dangling one, so such an
// entry still shows up as a (plain) file as Wine shows it.
bool statEntry(const std::string& path, struct stat& st) {
    return ::stat(path.c_str(), &st) == 0 || ::lstat(path.c_str(), &st) == 0;
}

// The names in `folder` other than "." and ".."; empty when it cannot be read.
std::vector<std::string> listNames(const std::string& folder) {
    std::vector<std::string> names;
    DirHandle dir(::opendir(folder.empty() ? "." : folder.c_str()));
    if (!dir)
        return names;
    while (const dirent* e = ::readdir(dir.get())) {
        if (!isDotOrDotDot(e->d_name))
            names.emplace_back(e->d_name);
    }
    return names;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

} // namespace

std::string toNative(const std::string& windowsPath) {
    std::string out = windowsPath;
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

std::string resolve(const std::string& path) {
    if (path.empty())
        return path;
    const bool absolute = path.front() == '/';
    const bool trailingSlash = path.size() > 1 && path.back() == '/';

    std::vector<std::string> components;
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            components.push_back(path.substr(start, end - start));
        start = end + 1;
    }

    std::string current = absolute ? "/" : "";
    bool stillExisting = true;
    for (const std::string& component : components) {
        std::string chosen = component;
        if (stillExisting && component != "." && component != "..") {
            struct stat st {};
            if (::lstat(joinPath(current, component).c_str(), &st) != 0) {
                std::vector<std::string> candidates;
                for (std::string& name : listNames(current)) {
                    if (namesEqual(name, component))
                        candidates.push_back(std::move(name));
                }
                if (candidates.empty()) {
                    stillExisting = false;
                } else {
                    chosen = *std::min_element(candidates.begin(), candidates.end(), nameLess);
                }
            }
        }
        current = joinPath(current, chosen);
    }
    if (trailingSlash && !current.empty() && current.back() != '/')
        current += '/';
    return current;
}

std::vector<DirEntry> enumerate(const std::string& folder, const std::string& pattern) {
    std::vector<DirEntry> entries;
    const std::string resolved = folder.empty() ? std::string(".") : resolve(folder);
    DirHandle dir(::opendir(resolved.c_str()));
    if (!dir)
        return entries;
    const int dirFd = ::dirfd(dir.get());
    std::vector<DirEntry> dots;
    while (const dirent* e = ::readdir(dir.get())) {
        if (!matchesPattern(e->d_name, pattern))
            continue;
        struct stat st {};
        std::uint32_t attributes = kAttrArchive;
        if (::fstatat(dirFd, e->d_name, &st, 0) == 0 ||
            ::fstatat(dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
            attributes = attributesFromStat(st);
        (isDotOrDotDot(e->d_name) ? dots : entries).push_back({e->d_name, attributes});
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return nameLess(a.name, b.name); });
    // "." before "..", both ahead of the rest, as FindFirstFile returns them.
    std::sort(dots.begin(), dots.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    entries.insert(entries.begin(), dots.begin(), dots.end());
    return entries;
}

bool exists(const std::string& path) {
    struct stat st {};
    return !path.empty() && statEntry(resolve(path), st);
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && statEntry(resolve(path), st) && !S_ISDIR(st.st_mode);
}

bool directoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(resolve(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::uint32_t getAttributes(const std::string& path) {
    struct stat st {};
    if (path.empty() || !statEntry(resolve(path), st))
        return kInvalidAttributes;
    return attributesFromStat(st);
}

bool setAttributes(const std::string& path, std::uint32_t attributes) {
    if (path.empty())
        return false;
    const std::string resolved = resolve(path);
    struct stat st {};
    if (::stat(resolved.c_str(), &st) != 0)
        return false;
    mode_t mode = st.st_mode & 07777;
    if (attributes & kAttrReadOnly)
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    else
        mode |= S_IWUSR;
    return ::chmod(resolved.c_str(), mode) == 0;
}

bool setModificationTime(const std::string& path, std::int64_t unixSeconds) {
    if (path.empty())
        return false;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(unixSeconds);
    times[1].tv_nsec = 0;
    return ::utimensat(AT_FDCWD, resolve(path).c_str(), times, 0) == 0;
}

bool createDirectory(const std::string& path) {
    return !path.empty() && ::mkdir(resolve(path).c_str(), 0777) == 0;
}

bool removeDirectory(const std::string& path) {
    if (path.empty())
        return false;
    const std::string resolved = resolve(path);
    struct stat st {};
    // rmdir() of a symbolic link to a folder fails anyway; refuse the link explicitly.
    if (::lstat(resolved.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    return ::rmdir(resolved.c_str()) == 0;
}

bool deleteFile(const std::string& path) {
    if (path.empty())
        return false;
    const std::string resolved = resolve(path);
    struct stat st {};
    if (::lstat(resolved.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    // DeleteFile refuses a read-only file. Checked by the bit, not by access(): a process
    // running as root would otherwise delete it.
    struct stat target {};
    if (::stat(resolved.c_str(), &target) == 0 && (target.st_mode & S_IWUSR) == 0)
        return false;
    return ::unlink(resolved.c_str()) == 0;
}

namespace {

bool copyBytes(int in, int out, off_t size) {
    off_t remaining = size;
    // copy_file_range lets the kernel (or the file system, by reflink) move the bytes.
    while (remaining > 0) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(remaining), 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break; // not supported here: fall back to read/write from the current offsets
        }
        if (n == 0)
            return true; // the source shrank meanwhile
        remaining -= n;
    }
    if (remaining <= 0)
        return true;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return false;
            done += w;
        }
    }
}

} // namespace

bool copyFile(const std::string& source, const std::string& destination, bool failIfExists) {
    if (source.empty() || destination.empty())
        return false;
    const std::string from = resolve(source);
    const std::string to = resolve(destination);
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (!in.valid() || ::fstat(in.get(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;

    struct stat existing {};
    if (::stat(to.c_str(), &existing) == 0) {
        if (failIfExists || S_ISDIR(existing.st_mode) || (existing.st_mode & S_IWUSR) == 0)
            return false;
        if (existing.st_dev == st.st_dev && existing.st_ino == st.st_ino)
            return false; // copying a file onto itself would truncate it
    }

    const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (failIfExists ? O_EXCL : 0);
    Fd out(::open(to.c_str(), flags, 0666));
    if (!out.valid())
        return false;
    bool ok = copyBytes(in.get(), out.get(), st.st_size);
    if (ok) {
        struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out.get(), times);
        ok = ::fchmod(out.get(), st.st_mode & 07777) == 0;
    }
    ok = out.close() && ok;
    if (!ok)
        ::unlink(to.c_str());
    return ok;
}

std::string currentFolder() {
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer) == nullptr)
        return std::string();
    return buffer;
}

} // namespace sw::fs
