#pragma once

#include "liveries/livery_view.h"

#include <string>
#include <vector>

namespace sw::liveries {

// A package's livery as the installer would put it in: its "ui_variation=" value, the
// product folder and the texture folder.
struct LiveryInPackage {
    std::string variation;
    std::string productFolder;
    std::string textureFolder;
};

// The livery of the package folder `packageFolder`, from its descriptor and texture folder
// search. Throws IoError when the descriptor cannot be read.
LiveryInPackage liveryInPackage(const std::string& packageFolder);

// True when the livery is installed already in the simulator (`simulator`, `simulatorFolder`):
// the product's aircraft.cfg has a section with the same "ui_variation=" value, or the
// product's folder already holds its texture folder. Never for "None" or an unsafe name; an
// aircraft.cfg that is missing or cannot be read counts as holding no such section.
bool isAlreadyInstalled(Simulator simulator, const std::string& simulatorFolder,
                        const LiveryInPackage& livery);

// "<variation> is already installed in <product>. Install it again?"
std::string reinstallQuestion(const LiveryInPackage& livery);

// The all-packages pass's one question: a line "<variation> in <product>" for each livery.
std::string reinstallListQuestion(const std::vector<LiveryInPackage>& liveries);

} // namespace sw::liveries
