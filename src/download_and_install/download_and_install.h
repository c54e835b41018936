#pragma once

#include "liveries/livery_handlers.h"

#include <functional>
#include <string>

namespace sw {
class TMHttpGetResume;
class TAbUnZipper;
class MessageSink;
} // namespace sw

namespace sw::download_and_install {

// The progress overlay `p3` and the window's titles, as the download-and-install sequence
// switches them.
class DownloadOverlay {
public:
    virtual ~DownloadOverlay() = default;
    virtual void setOverlayVisible(bool visible) = 0;       // p3
    virtual void setPhaseText(const std::string& text) = 0; // Label8 (CR LF breaks the line)
    virtual void setMarqueeVisible(bool visible) = 0;       // mb1
    virtual void setMeterVisible(bool visible) = 0;         // AbMeter1
    // The download figures: Label9, Label11 .. Label14 (first group), Label15 .. Label17 and
    // the progress bar (second group).
    virtual void setFirstFiguresVisible(bool visible) = 0;
    virtual void setSecondFiguresVisible(bool visible) = 0;
    // The window caption and the task-bar title.
    virtual void setTitles(const std::string& caption, const std::string& taskbarTitle) = 0;
    // While a sequence runs, the navigation row and the views' action buttons are off.
    virtual void setActionsEnabled(bool enabled) = 0;
};

inline constexpr const char* kDownloadText =
    "Downloading livery, please note this can take several\r\nminutes depending on the filesize and download "
    "speed";
inline constexpr const char* kUnzipText =
    "Unzipping livery, please note this can take several\r\nminutes depending on the filesize";
inline constexpr const char* kInstallText =
    "Installing livery, please note this can take several\r\nminutes depending on the Livery size";
inline constexpr const char* kMsgDownloadInstalled = "Downloading and Installing completed";
// The download pass found no package folder (one holding installerinfo.txt) in the archive.
inline constexpr const char* kMsgNoPackageInDownload =
    "Cannot find livery folder with installerinfo.txt in downloaded file, please recheck pathes";
// Every package was skipped because no simulator was chosen.
inline constexpr const char* kMsgNothingInstalled = "No livery installed, please select FS";
// The chosen package's address ends without a file name.
inline constexpr const char* kMsgNoPackageFileName =
    "Cannot find livery file name in address, please recheck";
// A download that failed before the downloader said anything.
inline constexpr const char* kMsgDownloadFailed = "Cannot download livery, please try again later";
// The title of the road's error boxes: the task-bar title it restores after the download.
inline constexpr const char* kRoadTitle = "ZEV SW";

// What the sequence works with: the window's components and handlers.
struct DownloadAndInstallParts {
    TMHttpGetResume& httpget;
    TAbUnZipper& uzip;
    liveries::LiveryHandlers& liveries;
    DownloadOverlay& overlay;
    MessageSink& messages;
    liveries::Trace trace;
    std::function<Simulator()> simulator;         // `cb2`, read afresh
    std::function<std::string()> simulatorFolder; // `e1`, read afresh
    std::function<bool()> closing;                // the window is closing (null: never)
};

// `BitBtn8Click`: downloads the chosen package into <startFolder>/tempzip, unpacks it into
// <startFolder>/templiv and installs every package folder found there.
//
// Every way it ends is told: a simulator folder without its aircraft folder stops it before
// the download ("Cannot find aircraft.cfg file, ..." and the folder); a download that ends
// without the whole file shows the downloader's last status text and the address in an error
// box; an archive that cannot be unpacked shows the archive's error text and the file; an
// archive without a package folder, or a pass that installed nothing, says so instead of
// "Downloading and Installing completed". After any failure, and after an error that leaves
// the sequence, `p3` is hidden, the actions are enabled again and `templiv` is emptied; a
// partly downloaded file stays in `tempzip` for resuming. A download stopped by closing the
// window ends without a message.
void DownloadAndInstall(DownloadAndInstallParts parts, const std::string& packageUrl,
                        const std::string& startFolder);

// `httpgetMOnProgress`: the percentage in the caption and the task-bar title ("##0%"). A file
// of unknown size (0) shows no percentage.
void httpgetMOnProgress(const TMHttpGetResume& httpget, DownloadOverlay& overlay);

} // namespace sw::download_and_install
