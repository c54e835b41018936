#include "archive/unzipper.h"

#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "archive/inflate.h"
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

// Items at least this large (compressed) are worth a hand-over to the second thread.
constexpr std::uint64_t kBackgroundItemSize = 256 * 1024;

struct Failure {
    TAbErrorClass errorClass = ecOther;
    int code = 0;
    bool aborted = false;
};

Failure failureOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const EAbUserAbort& e) {
        return {ecArchive, e.ErrorCode(), true};
    } catch (const EAbException& e) {
        return {ecArchive, e.ErrorCode(), false};
    } catch (const FileCreateError& e) {
        return {ecFileCreateError, e.code(), false};
    } catch (const IoError& e) {
        return {ecInOutError, e.code(), false};
    } catch (...) {
        return {};
    }
}

} // namespace

// One item decoded on a second thread while the calling thread goes on with the next ones.
// The calling thread prepares the item (local header, overlap check) and creates its file,
// the second thread only decodes into that file; `finish`, on the calling thread, waits for
// it, then closes the file or removes it and reports the item's failure, so everything a
// caller sees happens in item order. At most one item is handed over at a time.
class TAbCustomUnZipper::BackgroundItem {
public:
    explicit BackgroundItem(TAbCustomUnZipper& owner) : m_owner(owner), m_thread([this] { run(); }) {}

    ~BackgroundItem() {
        // Only reached with an item pending when extraction ends in an error: the item's file
        // is completed or removed, without events.
        waitDone();
        if (m_item) {
            try {
                if (m_error || !m_crcMatches)
                    ::unlink(m_path.c_str());
                else
                    m_file->close(*m_item, m_owner.m_attributes);
            } catch (...) {
                ::unlink(m_path.c_str());
            }
        }
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    BackgroundItem(const BackgroundItem&) = delete;
    BackgroundItem& operator=(const BackgroundItem&) = delete;

    // An item was handed over and is not finished yet.
    bool pending() const { return m_item != nullptr; }

    // Nothing is pending, or the pending item is decoded and only waits to be finished.
    bool free() {
        std::lock_guard lock(m_mutex);
        return !m_item || m_done;
    }

    void start(TAbZipItem& item, std::string path, std::unique_ptr<OutputFile> file,
               TAbZipArchive::PreparedItem prepared) {
        m_hasIdentity = file->identity(m_identity);
        {
            std::lock_guard lock(m_mutex);
            m_item = &item;
            m_path = std::move(path);
            m_file = std::move(file);
            m_prepared = std::move(prepared);
            m_error = nullptr;
            m_crcMatches = true;
            m_done = false;
        }
        m_wake.notify_all();
    }

    // Waits for the pending item, if any, and ends it as the calling thread would have.
    void finish() {
        if (!m_item)
            return;
        waitDone();
        TAbZipItem& item = *m_item;
        {
            std::lock_guard lock(m_mutex);
            m_item = nullptr;
        }
        m_prepared = {};
        std::exception_ptr error = m_error;
        if (!error) {
            try {
                if (!m_crcMatches)
                    m_owner.m_archive->ReportBadCRC(item);
                m_file->close(item, m_owner.m_attributes);
            } catch (...) {
                error = std::current_exception();
            }
        }
        m_file.reset();
        if (error) {
            ::unlink(m_path.c_str());
            m_owner.reportFailure(item, error);
        }
    }

    // Finishes the pending item first when it writes the file at `path` (the same name, or
    // another name of the same file).
    void finishIfWriting(const std::string& path) {
        if (!m_item)
            return;
        struct stat st {};
        if (path == m_path || (m_hasIdentity && ::stat(path.c_str(), &st) == 0 &&
                               static_cast<std::uint64_t>(st.st_dev) == m_identity.device &&
                               static_cast<std::uint64_t>(st.st_ino) == m_identity.inode))
            finish();
    }

private:
    void waitDone() {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return !m_item || m_done; });
    }

    void run() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stop || (m_item && !m_done); });
            if (m_stop)
                return;
            lock.unlock();
            bool matches = false;
            std::exception_ptr error;
            try {
                // Nobody follows the progress when items are handed over: no callbacks here.
                ArchiveCallbacks none;
                matches = TAbZipArchive::DecodePrepared(*m_item, m_prepared, *m_file, m_inflater, none);
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            m_crcMatches = matches;
            m_error = error;
            m_done = true;
            m_wake.notify_all();
        }
    }

    TAbCustomUnZipper& m_owner;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    bool m_done = false;
    // The pending item; set and cleared by the calling thread, read by the second one only
    // between start and done.
    TAbZipItem* m_item = nullptr;
    std::string m_path;
    FileIdentity m_identity; // of the pending item's file
    bool m_hasIdentity = false;
    std::unique_ptr<OutputFile> m_file;
    TAbZipArchive::PreparedItem m_prepared;
    std::exception_ptr m_error;
    bool m_crcMatches = true;
    std::unique_ptr<Inflater> m_inflater; // the second thread's own decoder
    std::thread m_thread;                 // last: starts once the rest is made
};

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
    m_backgroundCount = 0;
    std::unique_ptr<BackgroundItem> background;
    if (wantsBackground()) {
        try {
            background = std::make_unique<BackgroundItem>(*this);
        } catch (const std::system_error&) {
            // No second thread to be had: one item after another.
        }
    }
    struct BackgroundScope {
        BackgroundItem*& current;
        ~BackgroundScope() { current = nullptr; }
    } backgroundScope{m_background};
    m_background = background.get();
    try {
        for (std::size_t i = 0; i < count; ++i) {
            TAbZipItem& item = m_archive->Item(i);
            if (ItemMatchesMask(item, mask))
                extractOne(item);
            archiveProgress(
                ProgressPercent(static_cast<std::int64_t>(i) + 1, static_cast<std::int64_t>(count)));
        }
        if (m_background)
            m_background->finish();
    } catch (...) {
        // What the pending item came to is reported before the error that ends extraction.
        if (m_background) {
            try {
                m_background->finish();
            } catch (...) {
            }
        }
        throw;
    }
    archiveProgress(100);
}

bool HaveSecondCore() {
    return std::thread::hardware_concurrency() > 1;
}

bool TAbCustomUnZipper::wantsBackground() const {
    if (!ParallelItems || ArchiveProgressMeter || ItemProgressMeter || OnArchiveProgress ||
        OnArchiveItemProgress)
        return false;
    // A thread only for an archive with an item worth handing over.
    for (std::size_t i = 0; i < m_archive->Count(); ++i) {
        const TAbZipItem& item = m_archive->Item(i);
        if ((item.CompressionMethod == 8 || item.CompressionMethod == 9) && !item.isEncrypted() &&
            item.CompressedSize >= kBackgroundItemSize)
            return true;
    }
    return false;
}

void TAbCustomUnZipper::reportFailure(TAbZipItem& item, std::exception_ptr error) {
    const Failure f = failureOf(error);
    if (OnProcessItemFailure)
        OnProcessItemFailure(*this, item, ptExtract, f.errorClass, f.code);
    if (f.aborted) {
        // The user stopped the extraction: the archive is done with, and the caller hears of it.
        m_archive->markInvalid();
        throw EAbUserAbort();
    }
}

void TAbCustomUnZipper::extractOne(TAbZipItem& item) {
    TAbZipArchive::BusyScope busy(*m_archive);
    if (ItemProgressMeter)
        ItemProgressMeter->Reset();
    bool confirm = true;
    if (OnConfirmProcessItem) {
        if (m_background)
            m_background->finish(); // events in item order
        OnConfirmProcessItem(*this, item, ptExtract, confirm);
    }
    if (!confirm)
        return;
    std::exception_ptr error;
    try {
        ExtractItem(item, std::string(item.FileName));
        return;
    } catch (...) {
        error = std::current_exception();
    }
    if (m_background)
        m_background->finish();
    reportFailure(item, error);
}

void TAbCustomUnZipper::ExtractItem(TAbZipItem& item, const std::string& name) {
    if (item.FileNameLength >= kMaxStoredName)
        throw EAbNameTooLong();
    checkEntryType(item);
    if (m_background && (OnConfirmOverwrite || item.isEncrypted()))
        m_background->finish(); // a question comes in item order
    std::optional<FileIdentity> archiveFile;
    FileIdentity id;
    if (m_archive->fileIdentity(id.device, id.inode))
        archiveFile = id;
    std::optional<std::string> path;
    std::unique_ptr<OutputFile> file;
    for (;;) {
        try {
            path =
                ResolveOutputPath(BaseDirectory(), name, ExtractOptions, OnConfirmOverwrite, m_folderNames);
            if (!path)
                return;
            if (m_background)
                m_background->finishIfWriting(*path);
            file = std::make_unique<OutputFile>(*path, archiveFile);
            break;
        } catch (...) {
            // The pending item's file may stand in the way, where it would already be gone had
            // it failed: finish it and try once more, as one item after another would.
            if (!m_background || !m_background->pending())
                throw;
            m_background->finish();
        }
    }
    try {
        TAbZipArchive::PreparedItem prepared = m_archive->PrepareItem(item);
        if (m_background && (prepared.method == 8 || prepared.method == 9) && !item.isEncrypted() &&
            item.CompressedSize >= kBackgroundItemSize && m_background->free()) {
            m_background->finish();
            m_background->start(item, *path, std::move(file), std::move(prepared));
            ++m_backgroundCount;
            return;
        }
        // Decoded here; with an item pending, both threads decode at once.
        if (!m_archive->DecodePrepared(item, prepared, *file)) {
            if (m_background)
                m_background->finish();
            m_archive->ReportBadCRC(item);
        }
        file->close(item, m_attributes);
    } catch (...) {
        file.reset();
        ::unlink(path->c_str());
        throw;
    }
}

} // namespace sw
