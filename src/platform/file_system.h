#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The file-system calls of the Windows program, over a native (POSIX) tree.
//
// Paths are native paths with '/' separators. Every call first resolves its path into the
// existing tree case-insensitively, component by component (as Wine does for a Windows
// program), so "Liveries/TEXTURE.abc" finds "liveries/texture.ABC". Components that do not
// exist keep the spelling given, so new files and folders are created as named.
//
// Like the Windows calls they stand in for, these functions report failure by their result
// (false, an empty list, kInvalidAttributes) and never throw.
namespace sw::fs {

// Windows file attribute bits (FILE_ATTRIBUTE_*), as far as a POSIX tree can carry them.
constexpr std::uint32_t kAttrReadOnly = 0x01;
constexpr std::uint32_t kAttrHidden = 0x02;
constexpr std::uint32_t kAttrDirectory = 0x10;
constexpr std::uint32_t kAttrArchive = 0x20;
constexpr std::uint32_t kAttrNormal = 0x80;
// GetFileAttributes' INVALID_FILE_ATTRIBUTES.
constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFF;

struct DirEntry {
    std::string name;
    std::uint32_t attributes = 0;

    bool isDirectory() const { return (attributes & kAttrDirectory) != 0; }
};

// True when `name` matches the Windows wildcard `pattern`, case-insensitively, with the
// semantics of FindFirstFile: '*' matches any run of characters, '?' exactly one, "*.*"
// matches every name, a pattern ending in '.' ("*.", "ZEV_*.") matches names without a dot.
bool matchesPattern(const std::string& name, const std::string& pattern);

// Case-insensitive "less than" on names (ASCII, Latin-1 and the common European letters,
// whether the bytes are UTF-8 or Windows-1252); ties are broken by the bytes, so the order
// is total and never depends on the file system.
bool nameLess(const std::string& a, const std::string& b);
// Case-insensitive equality of names under the same folding as nameLess.
bool namesEqual(const std::string& a, const std::string& b);

// The entries of `folder` whose names match `pattern`: "." and ".." first (when the pattern
// matches them, as FindFirstFile returns them; callers skip them), then the rest sorted by
// nameLess. An empty list when the folder does not exist or cannot be read.
std::vector<DirEntry> enumerate(const std::string& folder, const std::string& pattern);

// `path` with each existing component replaced by its spelling on disk: the exact name when
// it exists, else the first case-insensitive match in nameLess order. From the first
// component that does not exist on, the spelling given is kept. Doubled separators are
// collapsed; a trailing '/' is kept.
std::string resolve(const std::string& path);

// A Windows path ("a\b\c") as a native one ("a/b/c").
std::string toNative(const std::string& windowsPath);

bool exists(const std::string& path);
bool fileExists(const std::string& path);      // exists and is not a directory
bool directoryExists(const std::string& path); // exists and is a directory

// The attribute bits of `path`, derived from the native ones:
//  - kAttrDirectory for a directory;
//  - kAttrArchive for any other entry (Windows shows files that way once written);
//  - kAttrReadOnly when the owner write bit is missing (directories included);
//  - kAttrHidden is never reported: a POSIX tree has no such bit, and a dot-name folder
//    marked hidden would no longer have attributes of exactly kAttrDirectory, which the
//    clean-up code relies on.
// kInvalidAttributes when `path` does not exist.
std::uint32_t getAttributes(const std::string& path);

// Sets the read-only bit: kAttrReadOnly clears the owner (and group/other) write bits,
// its absence sets the owner write bit. The other bits have no native counterpart.
bool setAttributes(const std::string& path, std::uint32_t attributes);

// Sets the modification time (seconds since 1970, UTC) of `path`.
bool setModificationTime(const std::string& path, std::int64_t unixSeconds);

// CreateDirectory: fails when the parent is missing or the name already exists.
bool createDirectory(const std::string& path);
// RemoveDirectory: fails unless the folder exists and is empty.
bool removeDirectory(const std::string& path);
// DeleteFile: fails for a folder, a missing file and a read-only file.
bool deleteFile(const std::string& path);
// CopyFile: copies the bytes, the read-only bit and the modification time. With
// failIfExists an existing destination is kept and the call fails; without it an existing
// destination is replaced unless it is read-only. A copy that fails part-way leaves no
// partial destination behind.
bool copyFile(const std::string& source, const std::string& destination, bool failIfExists);

// The process's current folder ("" when it cannot be read).
std::string currentFolder();

} // namespace sw::fs
