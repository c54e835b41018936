#include "liveries/livery_view.h"

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

} // namespace sw::liveries
