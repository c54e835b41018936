#include "download_and_install/download_and_install.h"

#include "archive/ab_exception.h"
#include "archive/unzipper.h"
#include "catalogue/thumbnail.h"
#include "download/mhttp_get_resume.h"
#include "download/number_format.h"
#include "liveries/package_zip.h"
#include "liveries/remove_tree.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"

#include <filesystem>

namespace sw::download_and_install {

namespace {

std::int64_t fileSize(const std::string& path) {
    std::error_code ec;
    auto size = std::filesystem::file_size(path, ec);
    return ec ? -1 : static_cast<std::int64_t>(size);
}

// The sequence's actions stay off until it ends, whichever way it ends.
class ActionsOff {
public:
    explicit ActionsOff(DownloadOverlay& overlay) : m_overlay(overlay) { m_overlay.setActionsEnabled(false); }
    ~ActionsOff() { m_overlay.setActionsEnabled(true); }
    ActionsOff(const ActionsOff&) = delete;
    ActionsOff& operator=(const ActionsOff&) = delete;

private:
    DownloadOverlay& m_overlay;
};

// Every way out of the sequence other than its completion hides the overlay and empties
// `templiv` (the downloaded file in `tempzip` stays). fail() does it at once, so that a
// message comes after it; otherwise it is done on the way out, also for an error.
class RoadEnd {
public:
    RoadEnd(DownloadOverlay& overlay, const liveries::Trace& trace, std::string templiv)
        : m_overlay(overlay), m_trace(trace), m_templiv(std::move(templiv)) {}
    ~RoadEnd() {
        try {
            fail();
        } catch (...) {
            // on the way out of an error: the error is what the user is to see
        }
    }
    RoadEnd(const RoadEnd&) = delete;
    RoadEnd& operator=(const RoadEnd&) = delete;

    void fail() {
        if (m_done)
            return;
        m_done = true;
        m_overlay.setOverlayVisible(false);
        liveries::RemoveTree(m_trace, m_templiv, true, false, false);
    }
    void complete() { m_done = true; }

private:
    DownloadOverlay& m_overlay;
    const liveries::Trace& m_trace;
    std::string m_templiv;
    bool m_done = false;
};

// Keeps the downloader's last status text while it lives, passing each on to the handler
// that was connected before.
class StatusListener {
public:
    StatusListener(TMHttpGetResume& httpget, std::string& last)
        : m_httpget(httpget), m_previous(httpget.MOnStatus) {
        m_httpget.MOnStatus = [this, &last](TMHttpGetResume& sender, const std::string& text) {
            last = text;
            if (m_previous)
                m_previous(sender, text);
        };
    }
    ~StatusListener() { m_httpget.MOnStatus = m_previous; }
    StatusListener(const StatusListener&) = delete;
    StatusListener& operator=(const StatusListener&) = delete;

private:
    TMHttpGetResume& m_httpget;
    TOnStatusEvent m_previous;
};

// The simulator's aircraft folder: AircraftRoot without its closing separator.
std::string aircraftFolderOf(Simulator simulator, const std::string& simulatorFolder) {
    std::string root = liveries::aircraftRoot(simulator, simulatorFolder);
    if (!root.empty() && root.back() == '/')
        root.pop_back();
    return root;
}

// True when `templiv` holds an entry the download pass takes for a package folder.
bool hasPackageFolder(const std::string& templiv, const std::string& archiveName) {
    for (const fs::DirEntry& entry : fs::enumerate(templiv, "*.")) {
        if (entry.name != "." && entry.name != ".." && entry.name != archiveName)
            return true;
    }
    return false;
}

} // namespace

void httpgetMOnProgress(const TMHttpGetResume& httpget, DownloadOverlay& overlay) {
    if (httpget.MTamanhoArquivo() <= 0)
        return;
    // The user's separators, read once: a progress event comes after every buffer.
    static const NumberFormatSettings settings = NumberFormatSettings::fromLocale();
    const double percentage =
        static_cast<double>(httpget.MTotalRecebido()) / static_cast<double>(httpget.MTamanhoArquivo()) * 100;
    overlay.setTitles("ZEV Skinwright - " + formatFloat(percentage, "##0%", settings),
                      "ZEV SW - " + formatFloat(percentage, "##0%", settings));
}

void DownloadAndInstall(DownloadAndInstallParts parts, const std::string& packageUrl,
                        const std::string& startFolder) {
    auto log = [&](const std::string& point, const std::string& message) {
        if (parts.trace)
            parts.trace(point, message);
    };
    DownloadOverlay& overlay = parts.overlay;

    log("988", "BitBtn8Click called");
    const Simulator simulator = parts.simulator();
    if (simulator == Simulator::None) {
        parts.messages.showMessage(liveries::kMsgSelectFs);
        return;
    }
    // A wrong simulator folder is found before the download, not after it.
    const std::string aircraftFolder = aircraftFolderOf(simulator, parts.simulatorFolder());
    if (!fs::directoryExists(aircraftFolder)) {
        parts.messages.showMessage(std::string(liveries::kMsgNoAircraftCfg) + "\n" +
                                   fs::resolve(aircraftFolder));
        log("1247", "BitBtn8Click end");
        return;
    }
    const ActionsOff actionsOff(overlay);

    const std::string packageFileName = catalogue::urlFileName(packageUrl);
    const std::string packageFile = startFolder + "/tempzip/" + packageFileName;
    const std::string templiv = startFolder + "/templiv";
    RoadEnd roadEnd(overlay, parts.trace, templiv);
    parts.httpget.MArquivoLocal = packageFile;
    parts.httpget.MURL = packageUrl;
    log("1061", "Test log");

    overlay.setMarqueeVisible(false);
    overlay.setOverlayVisible(true);
    overlay.setPhaseText(kDownloadText);
    overlay.setFirstFiguresVisible(true);
    overlay.setSecondFiguresVisible(true);

    // The downloader's last status text tells why a download ended early.
    std::string lastStatus;
    {
        const StatusListener listener(parts.httpget, lastStatus);
        // A URL that names no file gives no file to download into.
        if (!packageFileName.empty())
            parts.httpget.StartDownload();
    }

    overlay.setFirstFiguresVisible(false);
    log("1113", "Test log");
    overlay.setSecondFiguresVisible(false);
    overlay.setTitles("Skinwright", kRoadTitle);
    overlay.setPhaseText(kUnzipText);
    overlay.setMeterVisible(true);

    const bool complete = !packageFileName.empty() && !parts.httpget.MErro() &&
                          parts.httpget.MTamanhoArquivo() > 0 &&
                          fileSize(packageFile) == parts.httpget.MTamanhoArquivo();
    if (!complete) {
        roadEnd.fail();
        log("1247", "BitBtn8Click end");
        if (parts.closing && parts.closing())
            return; // the user stopped it by closing the window; the part stays for resuming
        if (packageFileName.empty())
            parts.messages.showError(kRoadTitle, std::string(kMsgNoPackageFileName) + "\n" + packageUrl);
        else
            parts.messages.showError(kRoadTitle,
                                     (lastStatus.empty() ? std::string(kMsgDownloadFailed) : lastStatus) +
                                         "\n" + packageUrl);
        return;
    }

    try {
        liveries::RemoveTree(parts.trace, templiv, true, false, false);
        // Package folders as they are stored; a zip with installerinfo.txt at its top is one
        // package, named after the zip.
        liveries::unpackPackageZip(parts.uzip, packageFile, packageFileName, templiv);
        overlay.setMeterVisible(false);
    } catch (const EAbException& error) {
        parts.uzip.CloseArchiveFile();
        roadEnd.fail();
        // A complete package that cannot be unpacked would be found complete again next time
        // and fail the same way: drop it so the next attempt downloads it afresh.
        fs::deleteFile(packageFile);
        parts.messages.showError(kRoadTitle, std::string(error.what()) + "\n" + packageFile);
        return;
    }

    log("1139", "Test log");
    overlay.setPhaseText(kInstallText);
    overlay.setMarqueeVisible(true);

    const auto installed = parts.liveries.installDownloaded(templiv, packageFileName);
    if (!installed)
        return; // a message ended the pass; the package file stays for a later attempt

    if (installed->installed == 0 && installed->declined > 0) {
        // The user kept what is installed: nothing changed, nothing more to say.
        roadEnd.complete();
        overlay.setOverlayVisible(false);
        fs::deleteFile(packageFile);
        liveries::RemoveTree(parts.trace, templiv, true, false, false);
        log("1247", "BitBtn8Click end");
        return;
    }
    if (installed->installed == 0) {
        const bool found = hasPackageFolder(templiv, packageFileName);
        roadEnd.fail();
        if (found)
            parts.messages.showMessage(kMsgNothingInstalled);
        else
            parts.messages.showMessage(std::string(kMsgNoPackageInDownload) + "\n" + packageFile);
        log("1247", "BitBtn8Click end");
        return;
    }

    roadEnd.complete();
    overlay.setOverlayVisible(false);
    parts.messages.showMessage(kMsgDownloadInstalled);
    fs::deleteFile(packageFile);
    liveries::RemoveTree(parts.trace, templiv, true, false, false);
    log("1247", "BitBtn8Click end");
}

} // namespace sw::download_and_install
