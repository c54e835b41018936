#pragma once

#include <chrono>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace sw::cli {

// Fetches `url` into `file` with the resumable downloader, resuming what `file` holds; each
// status text goes to `err` as a line. A `stallLimit` replaces the downloader's own. True when
// `file` now holds the whole remote file.
bool downloadWhole(const std::string& url, const std::string& file, std::ostream& err,
                   std::optional<std::chrono::milliseconds> stallLimit = std::nullopt);

// The temporary folders of one command, under the system's temporary folder; removed with
// everything in them when the object goes, whatever happened.
class TemporaryFolders {
public:
    TemporaryFolders() = default;
    ~TemporaryFolders();
    TemporaryFolders(const TemporaryFolders&) = delete;
    TemporaryFolders& operator=(const TemporaryFolders&) = delete;

    // A new empty folder. Throws IoError when it cannot be created.
    std::string make();

private:
    std::vector<std::string> m_folders;
};

// The package folders one PACKAGE argument of `install` stands for, in order:
//  - an http:// or https:// URL: the file is downloaded into a temporary folder (its status
//    texts on `err`), then unpacked as a zip;
//  - a file: a zip, unpacked with the unzipper into a temporary folder; its package folders
//    (or the zip itself, named after the file, when installerinfo.txt lies at its top);
//  - anything else: the argument itself, a package folder.
// Empty, after a message on `err`, when a download fails, a zip cannot be unpacked or it
// holds no package.
std::optional<std::vector<std::string>> packageFoldersFor(const std::string& argument,
                                                          TemporaryFolders& temporary, std::ostream& err);

} // namespace sw::cli
