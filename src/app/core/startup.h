#pragma once

#include "app/core/house_colours.h"
#include "core/simulator_detection.h"

#include <string>

namespace sw {

// The settings row: the simulator choice `cb2` and the simulator folder `e1`, read from the
// controls at every use.
class SettingsRow {
public:
    virtual ~SettingsRow() = default;
    virtual Simulator simulatorChoice() const = 0;
    // Setting the choice from code does not run the change handler.
    virtual void setSimulatorChoice(Simulator simulator) = 0;
    virtual std::string simulatorFolder() const = 0;
    virtual void setSimulatorFolder(const std::string& folder) = 0;
};

// What the start-up asks of the window beyond the settings row.
class StartupView : public SettingsRow {
public:
    virtual void setTaskbarTitle(const std::string& title) = 0;
    // The download progress bar's background and bar colours (0x00BBGGRR values).
    virtual void colourProgressBar(unsigned background, unsigned bar) = 0;
    // The font colour of the six combo boxes cb1..cb6.
    virtual void colourComboBoxes(unsigned colour) = 0;
    // Fills the local library list and shows its first package.
    virtual void listLocalLibrary() = 0;
};

// The folders under the start folder, created at every start.
inline constexpr const char* kWorkspaceFolders[] = {"images", "downloads", "tempzip", "templiv"};

// The window's creation handler: the trace lines, the look, the Workspace folders, the
// simulator detection and the local library, in this order. Returns the StartFolder (the
// current folder, never changed afterwards).
std::string FormCreate(StartupView& view, const SimulatorRegistry& registry);

// Start-up detection: FS9 first; FSX only when the FS9 key does not open.
void DetectSimulatorAtStartup(SettingsRow& row, const SimulatorRegistry& registry);

// The user picked another simulator in `cb2`.
void cb2Change(SettingsRow& row, const SimulatorRegistry& registry);

// Where the folder browser opens: `e1` when it names an existing folder, else the prefix's
// C: drive, else the home folder.
std::string BrowseStartFolder(const std::string& e1Text, const std::string& winePrefix);

} // namespace sw
