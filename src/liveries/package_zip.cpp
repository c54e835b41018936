#include "liveries/package_zip.h"

#include "archive/ab_exception.h"
#include "archive/output_path.h"
#include "archive/unzipper.h"
#include "platform/file_system.h"
#include "platform/io_error.h"

namespace sw::liveries {

namespace {

const std::string kDescriptor = "installerinfo.txt";

bool endsWithZip(const std::string& name) {
    return name.size() >= 4 && fs::namesEqual(name.substr(name.size() - 4), ".zip");
}

} // namespace

std::string packageNameFromZip(const std::string& zipFileName) {
    std::string name = zipFileName;
    if (endsWithZip(name))
        name.erase(name.size() - 4);
    for (char& c : name) {
        if (c == '.')
            c = '_';
    }
    // A name made of nothing but the dots of "." or ".." keeps its underscores; only an empty
    // name needs one of its own.
    return name.empty() ? "package" : name;
}

bool holdsTopLevelDescriptor(TAbZipArchive& archive) {
    for (std::size_t i = 0; i < archive.Count(); ++i) {
        const TAbZipItem& item = archive.Item(i);
        if (item.isFolder())
            continue;
        try {
            const std::vector<std::string> segments = safeNameSegments(std::string(item.FileName));
            if (segments.size() == 1 && fs::namesEqual(segments[0], kDescriptor))
                return true;
        } catch (const EAbException&) {
            // An unsafe name is refused when it is extracted; it names no descriptor.
        }
    }
    return false;
}

std::string unpackPackageZip(TAbUnZipper& uzip, const std::string& zipFile, const std::string& zipName,
                             const std::string& target) {
    std::string folder = target;
    try {
        uzip.SetFileName(zipFile);
        if (uzip.Archive() && holdsTopLevelDescriptor(*uzip.Archive())) {
            folder = target + "/" + packageNameFromZip(zipName);
            if (!fs::directoryExists(folder) && !fs::createDirectory(folder))
                throw IoError("Cannot create the folder " + folder, 0);
        }
        uzip.SetBaseDirectory(folder + "/");
        uzip.ExtractMatching("*.*");
        uzip.CloseArchiveFile();
    } catch (...) {
        uzip.CloseArchiveFile();
        throw;
    }
    return folder;
}

std::vector<std::string> packageFoldersIn(const std::string& folder) {
    std::vector<std::string> packages;
    for (const fs::DirEntry& entry : fs::enumerate(folder, "*.")) {
        if (entry.name == "." || entry.name == ".." || !entry.isDirectory())
            continue;
        if (isPackageFolder(folder + "/" + entry.name))
            packages.push_back(folder + "/" + entry.name);
    }
    return packages;
}

bool isPackageFolder(const std::string& folder) {
    return fs::fileExists(folder + "/" + kDescriptor);
}

} // namespace sw::liveries
