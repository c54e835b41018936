#include "liveries/livery_view.h"

#include "platform/file_system.h"

#include <filesystem>

namespace sw::liveries {

std::string aircraftRoot(Simulator simulator, const std::string& simulatorFolder) {
    // `e1` is used as it stands; a doubled '/' from a trailing one is harmless, as path
    // resolution collapses it.
    switch (simulator) {
    case Simulator::FS9:
        return simulatorFolder + "/Aircraft/";
    case Simulator::FSX:
        return simulatorFolder + "/SimObjects/Airplanes/";
    case Simulator::None:
        break;
    }
    return std::string();
}

std::string messageWithPath(const std::string& message, const std::string& path) {
    const std::string resolved = fs::resolve(path);
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(resolved, error);
    return message + "\n" + (error ? resolved : absolute.string());
}

} // namespace sw::liveries
