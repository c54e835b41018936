#include "catalogue/download_and_install.h"

#include "archive/ab_exception.h"
#include "archive/unzipper.h"
#include "catalogue/thumbnail.h"
#include "download/mhttp_get_resume.h"
#include "download/number_format.h"
#include "liveries/remove_tree.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"

#include <filesystem>

namespace sw::catalogue {

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
    if (parts.simulator() == Simulator::None) {
        parts.messages.showMessage(liveries::kMsgSelectFs);
        return;
    }
    const ActionsOff actionsOff(overlay);

    const std::string packageFileName = urlFileName(packageUrl);
    const std::string packageFile = startFolder + "/tempzip/" + packageFileName;
    const std::string templiv = startFolder + "/templiv";
    parts.httpget.MArquivoLocal = packageFile;
    parts.httpget.MURL = packageUrl;
    log("1061", "Test log");

    overlay.setMarqueeVisible(false);
    overlay.setOverlayVisible(true);
    overlay.setPhaseText(kDownloadText);
    overlay.setFirstFiguresVisible(true);
    overlay.setSecondFiguresVisible(true);

    // A URL that names no file (it ends in "/") gives no file to download into.
    if (!packageFileName.empty())
        parts.httpget.StartDownload();

    overlay.setFirstFiguresVisible(false);
    log("1113", "Test log");
    overlay.setSecondFiguresVisible(false);
    overlay.setTitles("Skinwright", "ZEV SW");
    overlay.setPhaseText(kUnzipText);
    overlay.setMeterVisible(true);

    if (packageFileName.empty() || !fs::fileExists(packageFile)) {
        overlay.setOverlayVisible(false);
        log("1247", "BitBtn8Click end");
        return;
    }

    try {
        liveries::RemoveTree(parts.trace, templiv, true, false, false);
        parts.uzip.SetFileName(packageFile);
        parts.uzip.SetBaseDirectory(templiv + "/");
        parts.uzip.ExtractMatching("*.*");
        parts.uzip.CloseArchiveFile();
        overlay.setMeterVisible(false);
    } catch (const EAbException&) {
        parts.uzip.CloseArchiveFile();
        overlay.setOverlayVisible(false);
        // A complete package that cannot be unpacked would be found complete again next time
        // and fail the same way: drop it so the next attempt downloads it afresh. A partial
        // file stays for resuming.
        const std::int64_t remote = parts.httpget.MTamanhoArquivo();
        if (remote > 0 && fileSize(packageFile) == remote)
            fs::deleteFile(packageFile);
        return;
    }

    log("1139", "Test log");
    overlay.setPhaseText(kInstallText);
    overlay.setMarqueeVisible(true);

    if (!parts.liveries.installDownloaded(templiv, packageFileName))
        return; // a message ended the pass; the files stay for a later attempt

    overlay.setOverlayVisible(false);
    parts.messages.showMessage(kMsgDownloadInstalled);
    fs::deleteFile(packageFile);
    liveries::RemoveTree(parts.trace, templiv, true, false, false);
    log("1247", "BitBtn8Click end");
}

} // namespace sw::catalogue
