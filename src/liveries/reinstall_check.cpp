#include "liveries/reinstall_check.h"

#include "liveries/config_sections.h"
#include "liveries/descriptor.h"
#include "liveries/text_file.h"
#include "platform/file_system.h"
#include "platform/io_error.h"

#include <algorithm>

namespace sw::liveries {

LiveryInPackage liveryInPackage(const std::string& packageFolder) {
    const std::string descriptor = ReadDescriptor(packageFolder + "/installerinfo.txt");
    return {DescriptorValue(descriptor, "ui_variation="), productFolderFor(descriptor),
            findTextureFolder(packageFolder, std::string())};
}

bool isAlreadyInstalled(Simulator simulator, const std::string& simulatorFolder,
                        const LiveryInPackage& livery) {
    if (simulator == Simulator::None || isUnsafeName(livery.productFolder))
        return false;
    const std::string product = aircraftRoot(simulator, simulatorFolder) + livery.productFolder;
    if (!livery.textureFolder.empty() && !isUnsafeName(livery.textureFolder) &&
        fs::directoryExists(product + "/" + livery.textureFolder))
        return true;
    const std::string configPath = product + "/aircraft.cfg";
    if (!fs::fileExists(configPath))
        return false;
    std::vector<std::string> installed;
    try {
        installed = variations(readLinesCrLf(configPath));
    } catch (const IoError&) {
        return false; // the installer reports a file it cannot read
    }
    return std::find(installed.begin(), installed.end(), livery.variation) != installed.end();
}

std::string reinstallQuestion(const LiveryInPackage& livery) {
    return livery.variation + " is already installed in " + livery.productFolder + ". Install it again?";
}

std::string reinstallListQuestion(const std::vector<LiveryInPackage>& liveries) {
    std::string text = "These liveries are already installed:\n";
    for (const LiveryInPackage& livery : liveries)
        text += livery.variation + " in " + livery.productFolder + "\n";
    return text + "Install them again? (No installs only the others.)";
}

} // namespace sw::liveries
