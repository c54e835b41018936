#pragma once

#include <functional>
#include <optional>
#include <string>
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

// The full output path of an item under `base` (a native folder), creating missing folders
// with eoCreateDirs (else EAbNoSuchDirectory), never through a symbolic link. When the file
// exists, `confirmOverwrite` (if set) may decline (nullopt) or rename it.
std::optional<std::string>
ResolveOutputPath(const std::string& base, const std::string& storedName, TAbExtractOptions options,
                  const std::function<void(std::string& name, bool& confirm)>& confirmOverwrite);

} // namespace sw
