#pragma once

#include "core/simulator_detection.h"
#include "liveries/jpeg_image.h"

#include <functional>
#include <string>
#include <vector>

namespace sw {
class MessageSink;
}

namespace sw::liveries {

class BackupStore;

// The simulator choice of the settings row (`cb2` item index), shared with the start-up.
using sw::Simulator;

// What the liveries handlers read from the window and what they show in it. The window
// implements it over its controls; tests and the command line implement it over fields.
class LiveryView {
public:
    virtual ~LiveryView() = default;

    // Settings row: `cb2` (as a choice) and the text of `e1`, read afresh at every use.
    virtual Simulator simulator() const = 0;
    virtual std::string simulatorFolder() const = 0;

    // Local panel.
    virtual std::vector<std::string> libraryItems() const = 0; // `cb1` items
    virtual std::string librarySelection() const = 0;          // `cb1` selected item ("" when none)
    virtual bool allLiveriesChecked() const = 0;               // `sl1`
    virtual void setLibraryItems(const std::vector<std::string>& items, int selected) = 0;
    virtual void setInformation(const std::string& text) = 0; // `m1`, lines separated by CR LF
    virtual void showPicture(const RgbImage& picture) = 0;    // `i2`

    // Installed-liveries panel.
    virtual std::string productSelection() const = 0;                    // `cb3` selected item ("" when none)
    virtual int variationIndex() const = 0;                              // `cb4` item index (-1 when none)
    virtual std::string variationSelection() const = 0;                  // `cb4` selected item
    virtual void setProducts(const std::vector<std::string>& items) = 0; // `cb3`, nothing selected
    virtual void setVariations(const std::vector<std::string>& items, int selected) = 0; // `cb4`

    // The progress overlay `p3`.
    virtual void hideProgress() = 0;
};

// Trace lines: WriteTrace in the program, nothing on the command line, a recorder in tests.
using Trace = std::function<void(const std::string& point, const std::string& message)>;

// Everything a handler works with.
struct LiveryContext {
    LiveryView& view;
    MessageSink& messages;
    Trace trace;
    // Where installs and removals keep their backups; none are made without it.
    const BackupStore* backups = nullptr;

    void log(const std::string& point, const std::string& message) const {
        if (trace)
            trace(point, message);
    }
};

// The messages of this subsystem, exactly as the program shows them.
inline constexpr const char* kMsgSelectFs = "Please select FS";
inline constexpr const char* kMsgChooseLivery = "Please choose correct livery";
inline constexpr const char* kMsgNoInstallerInfo =
    "Cannot find installerinfo.txt file, please recheck pathes";
inline constexpr const char* kMsgNoAircraftCfg = "Cannot find aircraft.cfg file, please recheck pathes";
inline constexpr const char* kMsgInstalled = "Installation completed";
inline constexpr const char* kMsgRemoved = "Removed succesfully";
// Shown when the section of the chosen livery is not where the list said it is (the file
// changed, or the section lacks its texture or description line): nothing is removed.
inline constexpr const char* kMsgLiveryNotFound = "Cannot find chosen livery in aircraft.cfg, please recheck";

// A message of the program with a second line naming the file or folder at fault: `path`
// made absolute, spelt as on disk as far as it exists.
std::string messageWithPath(const std::string& message, const std::string& path);

// AircraftRoot: `e1` + "/Aircraft/" (FS9) or `e1` + "/SimObjects/Airplanes/" (FSX); "" for None.
std::string aircraftRoot(Simulator simulator, const std::string& simulatorFolder);

} // namespace sw::liveries
