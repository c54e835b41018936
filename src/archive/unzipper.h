#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "archive/meter_link.h"
#include "archive/zip_archive.h"

namespace sw {

class TAbBaseBrowser;
class FolderNames;
struct AttributeCache;

using TAbArchiveProgressEvent =
    std::function<void(TAbBaseBrowser& Sender, std::uint8_t Progress, bool& Abort)>;
using TAbArchiveItemProgressEvent =
    std::function<void(TAbBaseBrowser& Sender, TAbZipItem& Item, std::uint8_t Progress, bool& Abort)>;
using TAbNotifyEvent = std::function<void(TAbBaseBrowser& Sender)>;
using TAbArchiveEvent = std::function<void(TAbBaseBrowser& Sender)>;
using TAbConfirmOverwriteEvent = std::function<void(std::string& Name, bool& Confirm)>;
using TAbArchiveItemConfirmEvent =
    std::function<void(TAbBaseBrowser& Sender, TAbZipItem& Item, TAbProcessType ProcessType, bool& Confirm)>;
using TAbNeedPasswordEvent = std::function<void(TAbBaseBrowser& Sender, std::string& NewPassword)>;
using TAbArchiveItemFailureEvent =
    std::function<void(TAbBaseBrowser& Sender, TAbZipItem& Item, TAbProcessType ProcessType,
                       TAbErrorClass ErrorClass, int ErrorCode)>;

// The component side of an archive: the file it names, its meters and the events common to
// every browser.
class TAbBaseBrowser {
public:
    TAbBaseBrowser();
    virtual ~TAbBaseBrowser();
    TAbBaseBrowser(const TAbBaseBrowser&) = delete;
    TAbBaseBrowser& operator=(const TAbBaseBrowser&) = delete;

    // Closes any open archive, then opens `name` (an empty name only closes). A file that
    // does not exist opens nothing; a file of no supported type raises EAbUnhandledType.
    void SetFileName(const std::string& name);
    const std::string& FileName() const { return m_fileName; }
    // The same as SetFileName("").
    void CloseArchiveFile();

    // The folder extracted files go to. With an archive open it must exist (EAbNoSuchDirectory);
    // a trailing separator is dropped.
    void SetBaseDirectory(const std::string& folder);
    const std::string& BaseDirectory() const { return m_baseDirectory; }

    // The open archive, or null.
    TAbZipArchive* Archive() { return m_archive.get(); }
    std::size_t Count() const { return m_archive ? m_archive->Count() : 0; }

    TAbMeterLink* ArchiveProgressMeter = nullptr;
    TAbMeterLink* ItemProgressMeter = nullptr;
    // FIXME: the operation log is not written; the program keeps it off.
    std::string LogFile;
    bool Logging = false;
    std::string TempDirectory; // not used by extraction

    TAbArchiveProgressEvent OnArchiveProgress;
    TAbArchiveItemProgressEvent OnArchiveItemProgress;
    TAbNotifyEvent OnChange;
    TAbArchiveEvent OnLoad;
    TAbArchiveItemConfirmEvent OnConfirmProcessItem;
    TAbArchiveItemFailureEvent OnProcessItemFailure;

protected:
    // Settings handed to a newly opened archive.
    virtual void configureArchive(TAbZipArchive& archive);
    void checkBaseDirectory();
    // Reports an archive-level percentage to the meter and the event; raises EAbUserAbort
    // when the event aborts.
    void archiveProgress(std::uint8_t progress);

    std::unique_ptr<TAbZipArchive> m_archive;

private:
    void openArchive();
    void closeArchive();

    std::string m_fileName;
    std::string m_baseDirectory;
};

class TAbCustomZipBrowser : public TAbBaseBrowser {
public:
    std::string Password;
    std::uint8_t PasswordRetries = 3;
    TAbNeedPasswordEvent OnNeedPassword;

protected:
    void configureArchive(TAbZipArchive& archive) override;
};

class TAbCustomUnZipper : public TAbCustomZipBrowser {
public:
    TAbExtractOptions ExtractOptions = eoCreateDirs;
    TAbConfirmOverwriteEvent OnConfirmOverwrite;
    // Decode large deflated items on a second thread while the next items are extracted.
    // Taken only when nobody follows the progress (no meters, no progress events); every
    // event and failure is still reported on the calling thread, in item order, and the
    // files come out as they would one after another.
    bool ParallelItems = false;
    // How many items the last ExtractMatching handed to the second thread.
    std::size_t BackgroundItemCount() const { return m_backgroundCount; }

    // Extracts every item whose name matches `mask` (see ItemMatchesMask) under
    // BaseDirectory. Failures of single items go to OnProcessItemFailure and extraction goes
    // on; EAbNoArchive, EAbNoSuchDirectory and EAbUserAbort end it.
    void ExtractMatching(const std::string& mask);

protected:
    void extractOne(TAbZipItem& item);
    void ExtractItem(TAbZipItem& item, const std::string& name);

private:
    class BackgroundItem;
    void reportFailure(TAbZipItem& item, std::exception_ptr error);
    bool wantsBackground() const;

    FolderNames* m_folderNames = nullptr; // during ExtractMatching
    AttributeCache* m_attributes = nullptr;
    BackgroundItem* m_background = nullptr;
    std::size_t m_backgroundCount = 0;
};

// The unzipper the main window holds.
class TAbUnZipper : public TAbCustomUnZipper {};

// Whether ParallelItems can gain anything on this machine: it has a second processor core.
bool HaveSecondCore();

} // namespace sw
