#include "platform/folder_move.h"

#include "platform/io_error.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sw {

namespace {

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

// The names in `folder` other than "." and "..". Throws when it cannot be read.
std::vector<std::string> namesIn(const std::string& folder) {
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        throw IoError::fromErrno(errno, "Cannot read folder \"" + folder + "\"");
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
        errno = 0;
    }
    if (errno != 0)
        throw IoError::fromErrno(errno, "Cannot read folder \"" + folder + "\"");
    return names;
}

// A folder's entries can be listed and removed only with the owner's read, write and search
// bits: add them where missing (the folder goes anyway).
void openUp(const std::string& folder, const struct stat& st) {
    if ((st.st_mode & S_IRWXU) != S_IRWXU)
        ::chmod(folder.c_str(), (st.st_mode & 07777) | S_IRWXU);
}

void copyFileBytes(const std::string& from, const std::string& to, const struct stat& st) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (in < 0)
        throw IoError::fromErrno(errno, "Cannot read file \"" + from + "\"");
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        throw IoError::fromErrno(error, "Cannot create file \"" + to + "\"");
    }
    int error = 0;
    std::string step = "Cannot write file \"" + to + "\"";
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            step = "Cannot read file \"" + from + "\"";
            break;
        }
        if (n == 0)
            break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                error = w == 0 ? ENOSPC : errno;
                break;
            }
            done += w;
        }
        if (error != 0)
            break;
    }
    if (error == 0) {
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out, times);
        if (::fchmod(out, st.st_mode & 07777) != 0 || ::fsync(out) != 0)
            error = errno;
    }
    ::close(in);
    if (::close(out) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        ::unlink(to.c_str());
        throw IoError::fromErrno(error, step);
    }
}

void copyLink(const std::string& from, const std::string& to) {
    std::vector<char> target(4096);
    const ssize_t n = ::readlink(from.c_str(), target.data(), target.size());
    if (n < 0 || static_cast<std::size_t>(n) >= target.size())
        throw IoError::fromErrno(n < 0 ? errno : ENAMETOOLONG, "Cannot read link \"" + from + "\"");
    if (::symlink(std::string(target.data(), static_cast<std::size_t>(n)).c_str(), to.c_str()) != 0)
        throw IoError::fromErrno(errno, "Cannot create link \"" + to + "\"");
}

} // namespace

bool FolderMover::move(const std::string& from, const std::string& to) {
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0)
        throw IoError::fromErrno(errno, "Cannot move folder \"" + from + "\"");
    if (!S_ISDIR(st.st_mode))
        throw IoError::fromErrno(ENOTDIR, "Cannot move folder \"" + from + "\"");
    struct stat existing {};
    if (::lstat(to.c_str(), &existing) == 0)
        throw IoError::fromErrno(EEXIST, "Cannot move folder \"" + from + "\" to \"" + to + "\"");

    // Moving a folder to another parent rewrites its "..": that needs its owner write bit.
    const bool writable = (st.st_mode & S_IWUSR) != 0;
    if (!writable)
        ::chmod(from.c_str(), (st.st_mode & 07777) | S_IWUSR);
    if (renameFolder(from.c_str(), to.c_str()) == 0) {
        if (!writable)
            ::chmod(to.c_str(), st.st_mode & 07777);
        return false;
    }
    const int error = errno;
    if (!writable)
        ::chmod(from.c_str(), st.st_mode & 07777);
    if (error != EXDEV)
        throw IoError::fromErrno(error, "Cannot move folder \"" + from + "\" to \"" + to + "\"");

    try {
        copyTree(from, to);
    } catch (const IoError&) {
        try {
            removeFolderTree(to);
        } catch (const IoError&) {
            // The original is whole; a partial copy in the workspace is only clutter.
        }
        throw;
    }
    try {
        removeTree(from);
    } catch (const IoError& failure) {
        // Put the original back together from the copy, then drop the copy.
        try {
            putBack(to, from);
            removeFolderTree(to);
        } catch (const IoError& again) {
            throw IoError(std::string(failure.what()) + "; putting it back failed too: " + again.what() +
                              " (the files are in \"" + to + "\")",
                          failure.code());
        }
        throw;
    }
    return true;
}

int FolderMover::renameFolder(const char* from, const char* to) {
    return ::rename(from, to);
}

int FolderMover::removeFile(const char* path) {
    return ::unlink(path);
}

void FolderMover::beforeCopy(const std::string&) {}

void FolderMover::copyTree(const std::string& from, const std::string& to) {
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0)
        throw IoError::fromErrno(errno, "Cannot read folder \"" + from + "\"");
    if (::mkdir(to.c_str(), 0700) != 0)
        throw IoError::fromErrno(errno, "Cannot create folder \"" + to + "\"");
    for (const std::string& name : namesIn(from))
        copyEntry(from + "/" + name, to + "/" + name);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, to.c_str(), times, 0);
    if (::chmod(to.c_str(), st.st_mode & 07777) != 0)
        throw IoError::fromErrno(errno, "Cannot set the permissions of \"" + to + "\"");
}

void FolderMover::copyEntry(const std::string& from, const std::string& to) {
    beforeCopy(from);
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0)
        throw IoError::fromErrno(errno, "Cannot read \"" + from + "\"");
    if (S_ISDIR(st.st_mode))
        copyTree(from, to);
    else if (S_ISREG(st.st_mode))
        copyFileBytes(from, to, st);
    else if (S_ISLNK(st.st_mode))
        copyLink(from, to);
    else
        throw IoError::fromErrno(EINVAL,
                                 "Cannot copy \"" + from + "\", which is neither file, folder nor link");
}

void FolderMover::removeTree(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        throw IoError::fromErrno(errno, "Cannot remove \"" + path + "\"");
    if (!S_ISDIR(st.st_mode)) {
        if (removeFile(path.c_str()) != 0)
            throw IoError::fromErrno(errno, "Cannot delete file \"" + path + "\"");
        return;
    }
    openUp(path, st);
    for (const std::string& name : namesIn(path))
        removeTree(path + "/" + name);
    if (::rmdir(path.c_str()) != 0)
        throw IoError::fromErrno(errno, "Cannot remove folder \"" + path + "\"");
}

void FolderMover::putBack(const std::string& copy, const std::string& original) {
    struct stat st {};
    if (::lstat(original.c_str(), &st) != 0) {
        copyTree(copy, original);
        return;
    }
    if (!S_ISDIR(st.st_mode))
        return; // still there
    for (const std::string& name : namesIn(copy)) {
        const std::string from = copy + "/" + name;
        const std::string to = original + "/" + name;
        struct stat entry {};
        if (::lstat(from.c_str(), &entry) != 0)
            throw IoError::fromErrno(errno, "Cannot read \"" + from + "\"");
        if (S_ISDIR(entry.st_mode))
            putBack(from, to);
        else if (::lstat(to.c_str(), &entry) != 0)
            copyEntry(from, to);
    }
    // The folder was opened up for the removal: give it its own bits again.
    struct stat saved {};
    if (::lstat(copy.c_str(), &saved) == 0)
        ::chmod(original.c_str(), saved.st_mode & 07777);
}

void removeFolderTree(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return;
        throw IoError::fromErrno(errno, "Cannot remove \"" + path + "\"");
    }
    if (!S_ISDIR(st.st_mode)) {
        if (::unlink(path.c_str()) != 0)
            throw IoError::fromErrno(errno, "Cannot delete file \"" + path + "\"");
        return;
    }
    openUp(path, st);
    for (const std::string& name : namesIn(path))
        removeFolderTree(path + "/" + name);
    if (::rmdir(path.c_str()) != 0)
        throw IoError::fromErrno(errno, "Cannot remove folder \"" + path + "\"");
}

} // namespace sw
