#pragma once

#include <functional>
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

// The names already in the folders an extraction writes to, looked up without regard to case
// (the program's names behave as on Windows: "Livery/a.dds" and "LIVERY/b.dds" share one
// folder, and "livery/A.DDS" overwrites "Livery/a.dds"). Each folder is listed once; the
// extraction adds what it creates.
class FolderNames {
public:
    // `name` as spelled in `folder` when an entry matches it, else `name` itself.
    std::string spelling(const std::string& folder, const std::string& name);
    void added(const std::string& folder, const std::string& name);

private:
    std::unordered_map<std::string, std::unordered_map<std::u32string, std::string>> m_folders;
};

// The full output path of an item under `base` (a native folder), creating missing folders
// with eoCreateDirs (else EAbNoSuchDirectory), never through a symbolic link. When the file
// exists, `confirmOverwrite` (if set) may decline (nullopt) or rename it.
std::optional<std::string>
ResolveOutputPath(const std::string& base, const std::string& storedName, TAbExtractOptions options,
                  const std::function<void(std::string& name, bool& confirm)>& confirmOverwrite,
                  FolderNames* names = nullptr);

} // namespace sw
