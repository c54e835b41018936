#include "app/core/startup.h"

#include "core/trace_log.h"
#include "platform/file_system.h"
#include "platform/wine_paths.h"

#include <cstdlib>
#include <filesystem>

namespace sw {

void DetectSimulatorAtStartup(SettingsRow& row, const SimulatorRegistry& registry) {
    SimulatorRegistration fs9 = registry.lookup(Simulator::FS9);
    if (fs9.keyOpens) {
        // The FS9 key wins even without its value: FSX is then not looked at.
        if (fs9.folder) {
            row.setSimulatorFolder(*fs9.folder);
            row.setSimulatorChoice(Simulator::FS9);
        }
        return;
    }
    SimulatorRegistration fsx = registry.lookup(Simulator::FSX);
    if (fsx.keyOpens && fsx.folder) {
        WriteTrace("307", "Test log");
        row.setSimulatorFolder(*fsx.folder);
        row.setSimulatorChoice(Simulator::FSX);
    }
}

std::string FormCreate(StartupView& view, const SimulatorRegistry& registry) {
    WriteTrace("270", "Program start");
    view.setTaskbarTitle("ZEV SW");
    view.colourProgressBar(kLightColour, kDarkColour);
    WriteTrace("281", "Test log");
    view.colourComboBoxes(kDarkColour);
    WriteTrace("284", "Checking registry and creating dirs");

    std::string startFolder = std::filesystem::current_path().string();
    for (const char* folder : kWorkspaceFolders)
        fs::createDirectory(startFolder + "/" + folder); // an existing folder is fine

    DetectSimulatorAtStartup(view, registry);
    WriteTrace("307", "Checking registry and creating dirs done");
    view.listLocalLibrary();
    WriteTrace("397", "Form creation finished");
    return startFolder;
}

void cb2Change(SettingsRow& row, const SimulatorRegistry& registry) {
    WriteTrace("1406", "cb2Change called");
    switch (row.simulatorChoice()) {
    case Simulator::FS9:
        if (auto found = registry.lookup(Simulator::FS9); found.folder)
            row.setSimulatorFolder(*found.folder);
        break;
    case Simulator::FSX:
        if (auto found = registry.lookup(Simulator::FSX); found.folder) {
            row.setSimulatorFolder(*found.folder);
            row.setSimulatorChoice(Simulator::FSX);
        }
        break;
    case Simulator::None:
        break;
    }
    WriteTrace("1425", "cb2Change end");
}

std::string BrowseStartFolder(const std::string& e1Text, const std::string& winePrefix) {
    if (!e1Text.empty() && fs::directoryExists(e1Text))
        return fs::resolve(e1Text);
    if (auto drive = wineDriveFolder(winePrefix, 'c'))
        return *drive;
    const char* home = std::getenv("HOME");
    return home ? home : "/";
}

} // namespace sw
