#include "cli/package_sources.h"

#include "archive/ab_exception.h"
#include "archive/unzipper.h"
#include "catalogue/thumbnail.h"
#include "download/local_file.h"
#include "download/mhttp_get_resume.h"
#include "liveries/library_import.h"
#include "liveries/package_zip.h"
#include "liveries/remove_tree.h"
#include "platform/file_system.h"
#include "platform/io_error.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <sys/stat.h>

namespace sw::cli {

namespace {

bool startsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && fs::namesEqual(text.substr(0, prefix.size()), prefix);
}

bool isUrl(const std::string& argument) {
    return startsWithNoCase(argument, "http://") || startsWithNoCase(argument, "https://");
}

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The package folders of a zip, unpacked into a temporary folder.
std::optional<std::vector<std::string>> unpackZip(const std::string& file, const std::string& name,
                                                  TemporaryFolders& temporary, std::ostream& err) {
    const std::string folder = temporary.make();
    TAbUnZipper uzip;
    uzip.ExtractOptions = eoCreateDirs | eoRestorePath;
    uzip.ParallelItems = HaveSecondCore(); // nothing follows the progress here
    try {
        liveries::unpackPackageZip(uzip, file, name, folder);
    } catch (const EAbException& e) {
        err << liveries::kMsgCannotUnpack << '\n'
            << file << '\n'
            << e.className() << ": " << e.what() << '\n';
        return std::nullopt;
    }
    std::vector<std::string> packages = liveries::packageFoldersIn(folder);
    if (packages.empty()) {
        err << liveries::kMsgNoPackage << '\n' << file << '\n' << liveries::kMsgWhatIsAPackage << '\n';
        return std::nullopt;
    }
    return packages;
}

} // namespace

bool downloadWhole(const std::string& url, const std::string& file, std::ostream& err,
                   std::optional<std::chrono::milliseconds> stallLimit) {
    TMHttpGetResume httpget;
    if (stallLimit)
        httpget.setStallLimit(*stallLimit);
    httpget.MURL = url;
    httpget.MArquivoLocal = file;
    httpget.MAutoReconectar = false;
    httpget.MOnStatus = [&](TMHttpGetResume&, const std::string& text) { err << text << '\n'; };
    httpget.StartDownload();
    err.flush();
    const std::optional<std::int64_t> size = LocalFile::sizeOf(downloadFilePath(httpget.MArquivoLocal));
    return !httpget.MErro() && size && *size == httpget.MTamanhoArquivo();
}

TemporaryFolders::~TemporaryFolders() {
    for (const std::string& folder : m_folders)
        liveries::RemoveTree({}, folder, true, false, true);
}

std::string TemporaryFolders::make() {
    std::error_code ec;
    std::string pattern = (std::filesystem::temp_directory_path(ec) / "skinwright-XXXXXX").string();
    if (ec || ::mkdtemp(pattern.data()) == nullptr)
        throw IoError::fromErrno(ec ? ec.value() : errno, "Cannot create a temporary folder " + pattern);
    m_folders.push_back(pattern);
    return pattern;
}

std::optional<std::vector<std::string>> packageFoldersFor(const std::string& argument,
                                                          TemporaryFolders& temporary, std::ostream& err) {
    if (isUrl(argument)) {
        std::string name = catalogue::urlFileName(argument);
        if (name.empty())
            name = "package.zip";
        const std::string file = temporary.make() + "/" + name;
        if (!downloadWhole(argument, file, err)) {
            err << "skinwright-cli: cannot download " << argument << '\n';
            return std::nullopt;
        }
        return unpackZip(file, name, temporary, err);
    }
    struct stat st {};
    if (::stat(argument.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return unpackZip(argument, fileNameOf(argument), temporary, err);
    return std::vector<std::string>{argument};
}

} // namespace sw::cli
