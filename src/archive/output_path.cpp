#include "archive/output_path.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "platform/windows_pattern.h"

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

std::string FolderNames::spelling(const std::string& folder, const std::string& name) {
    struct stat st {};
    if (lstatPath(folder + "/" + name, st))
        return name;
    auto [it, fresh] = m_folders.try_emplace(folder);
    if (fresh) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
            const std::string onDisk = entry.path().filename().string();
            it->second.try_emplace(fs::foldedCharacters(onDisk), onDisk);
        }
    }
    const auto found = it->second.find(fs::foldedCharacters(name));
    return found == it->second.end() ? name : found->second;
}

void FolderNames::added(const std::string& folder, const std::string& name) {
    const auto it = m_folders.find(folder);
    if (it != m_folders.end())
        it->second.try_emplace(fs::foldedCharacters(name), name);
}

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
                  const std::function<void(std::string& name, bool& confirm)>& confirmOverwrite,
                  FolderNames* names) {
    std::vector<std::string> segments = safeNameSegments(storedName);
    if (segments.empty())
        throw EAbUnsafePath();
    if (!(options & eoRestorePath))
        segments.erase(segments.begin(), segments.end() - 1);

    std::string path = base;
    if (path.empty() || path.back() != '/')
        path += '/';
    FolderNames local;
    FolderNames& known = names ? *names : local;
    std::string folder = path.substr(0, path.size() - 1);
    for (std::size_t i = 0; i + 1 < segments.size(); ++i) {
        const std::string name = known.spelling(folder, segments[i]);
        path += name;
        ensureFolder(path, options);
        known.added(folder, name);
        folder = path;
        path += '/';
    }
    const std::string fileName = known.spelling(folder, segments.back());
    path += fileName;
    known.added(folder, fileName);

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
