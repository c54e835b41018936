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

bool isAscii(const std::string& s) {
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c;
}

// Names compared by their characters folded to lower case. ASCII characters never fold to or
// from other ones, so ASCII names (the usual ones) are handled byte by byte.
bool foldedEqual(const std::string& a, const std::string& b) {
    const bool asciiA = isAscii(a);
    if (asciiA != isAscii(b))
        return false;
    if (!asciiA)
        return fs::foldedCharacters(a) == fs::foldedCharacters(b);
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

std::uint64_t fingerprint(const std::string& folder, const std::string& name) {
    std::uint64_t h = 1469598103934665603ull;
    for (const char c : folder)
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    h = (h ^ 0x2F2F) * 1099511628211ull;
    if (isAscii(name)) {
        for (const char c : name)
            h = (h ^ static_cast<std::uint64_t>(asciiLower(c))) * 1099511628211ull;
    } else {
        for (const char32_t c : fs::foldedCharacters(name))
            h = (h ^ static_cast<std::uint64_t>(c)) * 1099511628211ull;
    }
    h ^= h >> 29; // spread the low bits, which pick the slot
    return h == 0 ? 1 : h;
}

} // namespace

FolderNames::FolderNames() = default;
FolderNames::~FolderNames() = default;

bool FolderNames::mayHave(const std::string& folder, const std::string& name) const {
    if (m_names.empty())
        return false;
    const std::uint64_t f = fingerprint(folder, name);
    const std::size_t mask = m_names.size() - 1;
    for (std::size_t i = f & mask;; i = (i + 1) & mask) {
        if (m_names[i] == f)
            return true;
        if (m_names[i] == 0)
            return false;
    }
}

void FolderNames::added(const std::string& folder, const std::string& name) {
    const auto it = m_folders.find(folder);
    if (it == m_folders.end() || !it->second.listed)
        return;
    if ((m_nameCount + 1) * 2 > m_names.size()) {
        std::vector<std::uint64_t> old(std::max<std::size_t>(1024, m_names.size() * 2), 0);
        old.swap(m_names);
        const std::size_t mask = m_names.size() - 1;
        for (const std::uint64_t f : old) {
            if (f == 0)
                continue;
            std::size_t i = f & mask;
            while (m_names[i] != 0)
                i = (i + 1) & mask;
            m_names[i] = f;
        }
    }
    const std::uint64_t f = fingerprint(folder, name);
    const std::size_t mask = m_names.size() - 1;
    std::size_t i = f & mask;
    while (m_names[i] != 0) {
        if (m_names[i] == f)
            return;
        i = (i + 1) & mask;
    }
    m_names[i] = f;
    ++m_nameCount;
}

void FolderNames::ensureFolder(const std::string& path, TAbExtractOptions options) {
    Folder& f = m_folders[path];
    if (f.checked)
        return;
    struct stat st {};
    if (lstatPath(path, st)) {
        if (S_ISLNK(st.st_mode))
            throw EAbUnsafePath(); // an existing link inside the base would lead elsewhere
        if (!S_ISDIR(st.st_mode))
            throw IoError::fromErrno(ENOTDIR, "Cannot create folder " + path);
        f.checked = true;
        return;
    }
    if (!(options & eoCreateDirs))
        throw EAbNoSuchDirectory();
    if (::mkdir(path.c_str(), 0777) == 0) {
        f.checked = true;
        f.listed = true; // made just now, so empty
        return;
    }
    if (errno != EEXIST)
        throw IoError::fromErrno(errno, "Cannot create folder " + path);
    // Made by someone else in between: it is looked at again by the next item.
}

std::string FolderNames::spelling(const std::string& folder, const std::string& name, bool& exists) {
    Folder& f = m_folders[folder];
    if (!f.listed) {
        std::error_code ec;
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
            names.push_back(entry.path().filename().string());
        if (ec) { // not listable (yet): ask the file system for this one name
            struct stat st {};
            exists = lstatPath(folder + "/" + name, st);
            return name;
        }
        f.listed = true;
        for (const auto& n : names)
            added(folder, n);
    }
    exists = false;
    if (!mayHave(folder, name))
        return name;
    // Known (or a fingerprint alike): the name as it is on disk, the exact one first.
    struct stat st {};
    if (lstatPath(folder + "/" + name, st)) {
        exists = true;
        return name;
    }
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        std::string onDisk = entry.path().filename().string();
        if (foldedEqual(onDisk, name)) {
            exists = true;
            return onDisk;
        }
    }
    return name;
}

std::string FolderNames::subfolder(const std::string& parent, const std::string& segment,
                                   TAbExtractOptions options) {
    const std::string key = parent + "/" + segment;
    const auto known = m_subfolders.find(key);
    if (known != m_subfolders.end())
        return known->second;
    bool exists = false;
    const std::string name = spelling(parent, segment, exists);
    std::string path = parent + "/" + name;
    ensureFolder(path, options);
    added(parent, name);
    if (m_folders[path].checked)
        m_subfolders.emplace(key, path);
    return path;
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
                  FolderNames* names, bool* fresh) {
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
    bool exists = false;
    for (std::size_t i = 0; i + 1 < segments.size(); ++i)
        folder = known.subfolder(folder, segments[i], options);
    path = folder + "/";
    const std::string fileName = known.spelling(folder, segments.back(), exists);
    path += fileName;
    known.added(folder, fileName);
    if (fresh)
        *fresh = !exists;
    if (!exists)
        return path;

    struct stat st {};
    if (lstatPath(path, st)) {
        if (S_ISLNK(st.st_mode))
            throw EAbUnsafePath();
        bool confirm = true;
        if (confirmOverwrite)
            confirmOverwrite(path, confirm);
        if (!confirm)
            return std::nullopt;
    } else if (fresh) {
        *fresh = true; // gone in the meantime
    }
    return path;
}

} // namespace sw
