#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "archive/zip_archive.h"
#include "platform/io_error.h"

namespace sw {

// A file that could not be created (the item-failure event reports it as ecFileCreateError).
class FileCreateError : public IoError {
public:
    using IoError::IoError;
};

// The folder segments of a stored name, "/" and "\" both taken as separators, empty and "."
// segments dropped. Raises EAbUnsafePath for a name that could leave the base directory:
// an absolute name ("\x", "/x", "\\server\x"), a drive letter ("C:", "C:\x") or a ".."
// segment. A name that is nothing but separators has no segments.
std::vector<std::string> safeNameSegments(const std::string& storedName);

// The folders an extraction writes to and the names in them, looked up without regard to case
// (the program's names behave as on Windows: "Livery/a.dds" and "LIVERY/b.dds" share one
// folder, and "livery/A.DDS" overwrites "Livery/a.dds"). A folder that existed is listed once;
// one the extraction made starts empty; what the extraction creates is added. So each item
// costs no file system calls beyond creating its file, and new folders one mkdir each.
class FolderNames {
public:
    FolderNames();
    ~FolderNames();
    FolderNames(const FolderNames&) = delete;
    FolderNames& operator=(const FolderNames&) = delete;

    // `name` as spelled in `folder` when an entry matches it (`exists` true), else `name`
    // itself (`exists` false).
    std::string spelling(const std::string& folder, const std::string& name, bool& exists);
    void added(const std::string& folder, const std::string& name);
    // The path of the folder `segment` in `parent`, spelled as on disk, made sure to be a folder
    // (not a link) and created with eoCreateDirs; looked at once per extraction.
    std::string subfolder(const std::string& parent, const std::string& segment, TAbExtractOptions options);

private:
    struct Folder {
        bool checked = false; // known to be a real folder
        bool listed = false;  // its names are in m_names
    };
    void ensureFolder(const std::string& path, TAbExtractOptions options);
    bool mayHave(const std::string& folder, const std::string& name) const;

    std::unordered_map<std::string, Folder> m_folders;
    std::unordered_map<std::string, std::string> m_subfolders; // parent + "/" + segment -> path
    // A fingerprint (64-bit hash of the folder and the folded name) of every name known in a
    // listed folder; open addressing, 0 for a free slot. Only a match is checked on disk.
    std::vector<std::uint64_t> m_names;
    std::size_t m_nameCount = 0;
};

// The full output path of an item under `base` (a native folder), creating missing folders
// with eoCreateDirs (else EAbNoSuchDirectory), never through a symbolic link. When the file
// exists, `confirmOverwrite` (if set) may decline (nullopt) or rename it. `fresh` (if given)
// tells whether no file of that name was there, so the caller may create it exclusively.
std::optional<std::string>
ResolveOutputPath(const std::string& base, const std::string& storedName, TAbExtractOptions options,
                  const std::function<void(std::string& name, bool& confirm)>& confirmOverwrite,
                  FolderNames* names = nullptr, bool* fresh = nullptr);

} // namespace sw
