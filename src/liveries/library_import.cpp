#include "liveries/library_import.h"

#include "archive/ab_exception.h"
#include "archive/unzipper.h"
#include "liveries/package_zip.h"
#include "liveries/remove_tree.h"
#include "platform/file_system.h"
#include "platform/io_error.h"
#include "platform/message_sink.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace sw::liveries {

namespace {

std::string baseName(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A dropped folder's name as the library lists it: no extension.
std::string libraryName(std::string name) {
    for (char& c : name) {
        if (c == '.')
            c = '_';
    }
    return name.empty() ? "package" : name;
}

bool isZipName(const std::string& name) {
    return name.size() > 4 && fs::namesEqual(name.substr(name.size() - 4), ".zip");
}

// A hidden working folder inside the library (the library lists no name with a dot), removed
// with everything in it when the import ends, whichever way it ends.
class StagingFolder {
public:
    explicit StagingFolder(const std::string& library) {
        std::string pattern = fs::resolve(library) + "/.import-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            throw IoError::fromErrno(errno, "Cannot create a working folder in " + library);
        m_path = pattern;
        struct stat st {};
        if (::stat(m_path.c_str(), &st) == 0) {
            m_device = st.st_dev;
            m_inode = st.st_ino;
        }
    }
    ~StagingFolder() { RemoveTree({}, m_path, true, false, true); }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    const std::string& path() const { return m_path; }
    bool is(const struct stat& st) const { return st.st_dev == m_device && st.st_ino == m_inode; }

private:
    std::string m_path;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};

// Copies the folder `from` into the new folder `to`: sub-folders and plain files, never a
// link (it may lead out of the package) and never the staging folder itself (a package
// folder may hold the library).
void copyTree(const std::string& from, const std::string& to, const StagingFolder& staging) {
    if (!fs::createDirectory(to))
        throw IoError::fromErrno(errno, "Cannot create the folder " + to);
    const std::string source = fs::resolve(from);
    for (const fs::DirEntry& entry : fs::enumerate(source, "*")) {
        if (entry.name == "." || entry.name == "..")
            continue;
        const std::string path = source + "/" + entry.name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0)
            throw IoError::fromErrno(errno, "Cannot read " + path);
        if (S_ISDIR(st.st_mode) && !staging.is(st))
            copyTree(path, to + "/" + entry.name, staging);
        else if (S_ISREG(st.st_mode) && !fs::copyFile(path, to + "/" + entry.name, true))
            throw IoError("Cannot copy " + path + " to " + to, 0);
    }
}

struct StagedPackage {
    std::string path; // in the staging folder
    std::string name; // in the library
};

} // namespace

std::string replaceQuestion(const std::string& name) {
    return name + " is already in the library. Replace it?";
}

std::vector<std::string> addToLibrary(const std::string& source, const std::string& library,
                                      MessageSink& messages) {
    const auto noPackage = [&] {
        messages.showMessage(std::string(kMsgNoPackage) + "\n" + source + "\n" + kMsgWhatIsAPackage);
        return std::vector<std::string>();
    };
    struct stat st {};
    if (::stat(source.c_str(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)))
        return noPackage();
    const std::string sourceName = baseName(source);
    if (S_ISREG(st.st_mode) && !isZipName(sourceName))
        return noPackage();

    const StagingFolder staging(library);
    std::vector<StagedPackage> staged;
    if (S_ISREG(st.st_mode)) {
        TAbUnZipper uzip;
        uzip.ExtractOptions = eoCreateDirs | eoRestorePath;
        uzip.ParallelItems = HaveSecondCore(); // nothing follows the progress here
        try {
            unpackPackageZip(uzip, source, sourceName, staging.path());
        } catch (const EAbException& error) {
            messages.showMessage(std::string(kMsgCannotUnpack) + "\n" + source + "\n" + error.what());
            return {};
        }
        for (const std::string& package : packageFoldersIn(staging.path()))
            staged.push_back({package, baseName(package)});
    } else if (isPackageFolder(source)) {
        const std::string name = libraryName(sourceName);
        copyTree(source, staging.path() + "/" + name, staging);
        staged.push_back({staging.path() + "/" + name, name});
    } else {
        for (const std::string& package : packageFoldersIn(source)) {
            const std::string name = baseName(package);
            copyTree(package, staging.path() + "/" + name, staging);
            staged.push_back({staging.path() + "/" + name, name});
        }
    }
    if (staged.empty())
        return noPackage();

    std::vector<std::string> added;
    const std::string libraryFolder = fs::resolve(library);
    for (const StagedPackage& package : staged) {
        const std::string target = libraryFolder + "/" + package.name;
        if (fs::exists(target)) {
            if (!messages.askYesNo(replaceQuestion(package.name)))
                continue;
            const std::string existing = fs::resolve(target);
            if (!RemoveTree({}, existing, true, false, true))
                fs::deleteFile(existing); // a plain file the library lists like a package
            if (fs::exists(existing))
                throw IoError("Cannot remove the old package " + existing, 0);
        }
        if (std::rename(package.path.c_str(), target.c_str()) != 0)
            throw IoError::fromErrno(errno, "Cannot move the package into " + target);
        added.push_back(package.name);
    }
    return added;
}

} // namespace sw::liveries
