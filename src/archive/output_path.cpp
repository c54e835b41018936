#include "archive/output_path.h"

#include <sys/stat.h>

#include <cerrno>

namespace sw {

namespace {

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// lstat without following a final link; false when the path does not exist.
bool lstatPath(const std::string& path, struct stat& st) {
    return ::lstat(path.c_str(), &st) == 0;
}

void ensureFolder(const std::string& path, TAbExtractOptions options) {
    struct stat st {};
    if (lstatPath(path, st)) {
        if (S_ISLNK(st.st_mode))
            throw EAbUnsafePath(); // an existing link inside the base would lead elsewhere
        if (!S_ISDIR(st.st_mode))
            throw IoError::fromErrno(ENOTDIR, "Cannot create folder " + path);
        return;
    }
    if (!(options & eoCreateDirs))
        throw EAbNoSuchDirectory();
    if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST)
        throw IoError::fromErrno(errno, "Cannot create folder " + path);
}

} // namespace

std::vector<std::string> safeNameSegments(const std::string& storedName) {
    if (!storedName.empty() && (storedName[0] == '/' || storedName[0] == '\\'))
        throw EAbUnsafePath();
    if (storedName.size() >= 2 && isLetter(storedName[0]) && storedName[1] == ':')
        throw EAbUnsafePath();
    std::vector<std::string> segments;
    std::string current;
    auto finish = [&] {
        if (current == "..")
            throw EAbUnsafePath();
        if (!current.empty() && current != ".")
            segments.push_back(current);
        current.clear();
    };
    for (char c : storedName) {
        if (c == '/' || c == '\\')
            finish();
        else if (c == '\0')
            throw EAbUnsafePath();
        else
            current += c;
    }
    finish();
    return segments;
}

std::optional<std::string>
ResolveOutputPath(const std::string& base, const std::string& storedName, TAbExtractOptions options,
                  const std::function<void(std::string& name, bool& confirm)>& confirmOverwrite) {
    std::vector<std::string> segments = safeNameSegments(storedName);
    if (segments.empty())
        throw EAbUnsafePath();
    if (!(options & eoRestorePath))
        segments.erase(segments.begin(), segments.end() - 1);

    std::string path = base;
    if (path.empty() || path.back() != '/')
        path += '/';
    for (std::size_t i = 0; i + 1 < segments.size(); ++i) {
        path += segments[i];
        ensureFolder(path, options);
        path += '/';
    }
    path += segments.back();

    struct stat st {};
    if (lstatPath(path, st)) {
        if (S_ISLNK(st.st_mode))
            throw EAbUnsafePath();
        bool confirm = true;
        if (confirmOverwrite)
            confirmOverwrite(path, confirm);
        if (!confirm)
            return std::nullopt;
    }
    return path;
}

} // namespace sw
