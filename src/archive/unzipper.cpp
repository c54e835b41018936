#include "archive/unzipper.h"

#include <sys/stat.h>
#include <unistd.h>

#include "archive/item_mask.h"
#include "archive/output_file.h"
#include "archive/output_path.h"

namespace sw {

namespace {

bool directoryExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

TAbBaseBrowser::TAbBaseBrowser() = default;
TAbBaseBrowser::~TAbBaseBrowser() = default;

void TAbBaseBrowser::SetFileName(const std::string& name) {
    closeArchive();
    m_fileName = name;
    if (!name.empty() && fileExists(name))
        openArchive();
    if (OnChange)
        OnChange(*this);
}

void TAbBaseBrowser::CloseArchiveFile() {
    SetFileName("");
}

void TAbBaseBrowser::openArchive() {
    auto input = std::make_unique<FileInput>(m_fileName);
    const TAbArchiveType type = DetectArchiveType(m_fileName, *input);
    if (type != atZip && type != atSpannedZip && type != atSelfExtZip)
        throw EAbUnhandledType();
    m_archive = std::make_unique<TAbZipArchive>(std::move(input), m_fileName);
    configureArchive(*m_archive);
    if (!m_baseDirectory.empty())
        checkBaseDirectory();
    if (ArchiveProgressMeter)
        ArchiveProgressMeter->Reset();
    if (ItemProgressMeter)
        ItemProgressMeter->Reset();
    m_archive->LoadCentralDirectory(); // a failure leaves the archive invalid
    if (OnLoad)
        OnLoad(*this);
}

void TAbBaseBrowser::closeArchive() {
    // The unzipper only ever reads its archive: closing releases it and writes nothing.
    m_archive.reset();
}

void TAbBaseBrowser::SetBaseDirectory(const std::string& folder) {
    std::string f = folder;
    while (f.size() > 1 && (f.back() == '/' || f.back() == '\\') && f[f.size() - 2] != ':')
        f.pop_back();
    m_baseDirectory = f;
    if (m_archive)
        checkBaseDirectory();
}

void TAbBaseBrowser::checkBaseDirectory() {
    if (!directoryExists(m_baseDirectory))
        throw EAbNoSuchDirectory();
}

void TAbBaseBrowser::configureArchive(TAbZipArchive& archive) {
    archive.Callbacks.archiveProgress = [this](std::uint8_t progress, bool& abort) {
        if (ArchiveProgressMeter)
            ArchiveProgressMeter->DoProgress(progress);
        if (OnArchiveProgress)
            OnArchiveProgress(*this, progress, abort);
    };
    archive.Callbacks.itemProgress = [this](TAbZipItem& item, std::uint8_t progress, bool& abort) {
        if (ItemProgressMeter)
            ItemProgressMeter->DoProgress(progress);
        if (OnArchiveItemProgress)
            OnArchiveItemProgress(*this, item, progress, abort);
    };
    archive.Callbacks.itemFailure = [this](TAbZipItem& item, TAbProcessType type, TAbErrorClass cls,
                                           int code) {
        if (OnProcessItemFailure)
            OnProcessItemFailure(*this, item, type, cls, code);
    };
}

void TAbBaseBrowser::archiveProgress(std::uint8_t progress) {
    bool abort = false;
    if (ArchiveProgressMeter)
        ArchiveProgressMeter->DoProgress(progress);
    if (OnArchiveProgress)
        OnArchiveProgress(*this, progress, abort);
    if (abort)
        throw EAbUserAbort();
}

void TAbCustomZipBrowser::configureArchive(TAbZipArchive& archive) {
    TAbBaseBrowser::configureArchive(archive);
    archive.Password = Password;
    archive.PasswordRetries = PasswordRetries;
    archive.Callbacks.needPassword = [this](std::string& answer) {
        if (!OnNeedPassword)
            return false;
        OnNeedPassword(*this, answer);
        return true;
    };
}

void TAbCustomUnZipper::ExtractMatching(const std::string& mask) {
    if (!m_archive)
        throw EAbNoArchive();
    // The base directory is a native path chosen by the program, so it is only checked
    // again here, never re-encoded as if it came from an archive. An empty one would put
    // files at the root of the file system, so it counts as missing.
    if (!BaseDirectory().empty())
        checkBaseDirectory();
    if (m_archive->Status() == asInvalid)
        throw EAbNoArchive();
    if (BaseDirectory().empty())
        throw EAbNoSuchDirectory();
    const std::size_t count = m_archive->Count();
    if (count == 0)
        return;
    FolderNames folderNames;
    AttributeCache attributes;
    struct Scope {
        FolderNames*& names;
        AttributeCache*& attributes;
        ~Scope() {
            names = nullptr;
            attributes = nullptr;
        }
    } scope{m_folderNames, m_attributes};
    m_folderNames = &folderNames;
    m_attributes = &attributes;
    for (std::size_t i = 0; i < count; ++i) {
        TAbZipItem& item = m_archive->Item(i);
        if (ItemMatchesMask(item, mask))
            extractOne(item);
        archiveProgress(ProgressPercent(static_cast<std::int64_t>(i) + 1, static_cast<std::int64_t>(count)));
    }
    archiveProgress(100);
}

void TAbCustomUnZipper::extractOne(TAbZipItem& item) {
    TAbZipArchive::BusyScope busy(*m_archive);
    if (ItemProgressMeter)
        ItemProgressMeter->Reset();
    bool confirm = true;
    if (OnConfirmProcessItem)
        OnConfirmProcessItem(*this, item, ptExtract, confirm);
    if (!confirm)
        return;
    TAbErrorClass errorClass = ecOther;
    int code = 0;
    bool aborted = false;
    try {
        ExtractItem(item, std::string(item.FileName));
        return;
    } catch (const EAbUserAbort& e) {
        errorClass = ecArchive;
        code = e.ErrorCode();
        aborted = true;
    } catch (const EAbException& e) {
        errorClass = ecArchive;
        code = e.ErrorCode();
    } catch (const FileCreateError& e) {
        errorClass = ecFileCreateError;
        code = e.code();
    } catch (const IoError& e) {
        errorClass = ecInOutError;
        code = e.code();
    } catch (const std::exception&) {
        errorClass = ecOther;
        code = 0;
    }
    if (OnProcessItemFailure)
        OnProcessItemFailure(*this, item, ptExtract, errorClass, code);
    if (aborted) {
        // The user stopped the extraction: the archive is done with, and the caller hears of it.
        m_archive->markInvalid();
        throw EAbUserAbort();
    }
}

void TAbCustomUnZipper::ExtractItem(TAbZipItem& item, const std::string& name) {
    if (item.FileNameLength >= kMaxStoredName)
        throw EAbNameTooLong();
    checkEntryType(item);
    const auto path =
        ResolveOutputPath(BaseDirectory(), name, ExtractOptions, OnConfirmOverwrite, m_folderNames);
    if (!path)
        return;
    std::optional<FileIdentity> archiveFile;
    FileIdentity id;
    if (m_archive->fileIdentity(id.device, id.inode))
        archiveFile = id;
    bool created = false;
    try {
        OutputFile file(*path, archiveFile);
        created = true;
        m_archive->UnzipItemToStream(item, file);
        file.close(item, m_attributes);
    } catch (...) {
        if (created)
            ::unlink(path->c_str());
        throw;
    }
}

} // namespace sw
