#include "app/core/simulator_detection.h"

#include "platform/wine_paths.h"
#include "platform/wine_registry.h"

namespace sw {

SimulatorRegistration WinePrefixRegistry::lookup(Simulator simulator) const {
    const char* key = nullptr;
    const char* value = nullptr;
    switch (simulator) {
    case Simulator::FS9:
        key = "software\\microsoft\\microsoft games\\flight simulator\\9.0";
        value = "exe path";
        break;
    case Simulator::FSX:
        key = "software\\Microsoft\\Microsoft Games\\Flight Simulator\\10.0";
        value = "SetupPath";
        break;
    case Simulator::None:
        return {};
    }
    WineRegistry registry = WineRegistry::loadPrefix(m_prefix);
    auto opened = registry.openKey(key);
    if (!opened)
        return {};
    SimulatorRegistration result;
    result.keyOpens = true;
    if (auto text = opened->stringValue(value))
        result.folder = nativePathFromWindows(m_prefix, *text).value_or(*text);
    return result;
}

} // namespace sw
