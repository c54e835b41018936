#include "archive/output_path.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <unordered_set>

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

// Hashing and comparing names by their characters folded to lower case. ASCII characters
// never fold to or from other ones, so ASCII names (the usual ones) are handled byte by byte.
struct FoldedHash {
    std::size_t operator()(const std::string& s) const {
        std::uint64_t h = 1469598103934665603ull;
        if (isAscii(s)) {
            for (const char c : s)
                h = (h ^ static_cast<std::uint64_t>(asciiLower(c))) * 1099511628211ull;
        } else {
            for (const char32_t c : fs::foldedCharacters(s))
                h = (h ^ static_cast<std::uint64_t>(c)) * 1099511628211ull;
        }
        return static_cast<std::size_t>(h);
    }
};

struct FoldedEqual {
    bool operator()(const std::string& a, const std::string& b) const {
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
};

} // namespace

struct FolderNames::Folder {
    bool checked = false; // known to be a real folder
    bool listed = false;  // `names` holds everything in it
    std::unordered_set<std::string, FoldedHash, FoldedEqual> names;
};

FolderNames::FolderNames() = default;
FolderNames::~FolderNames() = default;

FolderNames::Folder& FolderNames::folder(const std::string& path) {
    auto& slot = m_folders[path];
    if (!slot)
        slot = std::make_unique<Folder>();
    return *slot;
}

void FolderNames::ensureFolder(const std::string& path, TAbExtractOptions options) {
    Folder& f = folder(path);
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

std::string FolderNames::spelling(const std::string& path, const std::string& name, bool& exists) {
    Folder& f = folder(path);
    if (!f.listed) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(path, ec))
            f.names.insert(entry.path().filename().string());
        if (ec) { // not listable (yet): ask the file system for this one name
            f.names.clear();
            struct stat st {};
            exists = lstatPath(path + "/" + name, st);
            return name;
        }
        f.listed = true;
    }
    const auto found = f.names.find(name);
    exists = found != f.names.end();
    return exists ? *found : name;
}

void FolderNames::added(const std::string& path, const std::string& name) {
    const auto it = m_folders.find(path);
    if (it != m_folders.end() && it->second->listed)
        it->second->names.insert(name);
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
    for (std::size_t i = 0; i + 1 < segments.size(); ++i) {
        const std::string name = known.spelling(folder, segments[i], exists);
        path += name;
        known.ensureFolder(path, options);
        known.added(folder, name);
        folder = path;
        path += '/';
    }
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
