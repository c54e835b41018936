#pragma once

#include "liveries/livery_handlers.h"

#include <functional>
#include <string>

namespace sw {
class TMHttpGetResume;
class TAbUnZipper;
class MessageSink;
} // namespace sw

namespace sw::catalogue {

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

// What the sequence works with: the window's components and handlers.
struct DownloadAndInstallParts {
    TMHttpGetResume& httpget;
    TAbUnZipper& uzip;
    liveries::LiveryHandlers& liveries;
    DownloadOverlay& overlay;
    MessageSink& messages;
    liveries::Trace trace;
    std::function<Simulator()> simulator; // `cb2`, read afresh
};

// `BitBtn8Click`: downloads the chosen package into <startFolder>/tempzip, unpacks it into
// <startFolder>/templiv and installs every package folder found there.
void DownloadAndInstall(DownloadAndInstallParts parts, const std::string& packageUrl,
                        const std::string& startFolder);

// `httpgetMOnProgress`: the percentage in the caption and the task-bar title ("##0%"). A file
// of unknown size (0) shows no percentage.
void httpgetMOnProgress(const TMHttpGetResume& httpget, DownloadOverlay& overlay);

} // namespace sw::catalogue
