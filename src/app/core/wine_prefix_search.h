#pragma once

#include "core/simulator_detection.h"

#include <memory>
#include <string>
#include <vector>

namespace sw {

// The Wine prefixes where a simulator may be registered, in the order they are tried:
// $WINEPREFIX (when set), ~/.wine, then the Proton prefixes of FSX: Steam Edition
// (steam_libraries.h). Each prefix is given once.
std::vector<std::string> candidateWinePrefixes(const char* winePrefixVariable, const std::string& home);

// The first candidate whose registry opens the FS9 or the FSX key (within it, start-up
// detection prefers FS9 as usual); the first candidate when none does, so the folder browser
// and later lookups still use the user's own prefix. Empty only for an empty list.
std::string chooseWinePrefix(const std::vector<std::string>& candidates);

// The same choice, with the chosen prefix's registry as the search read it: the start-up
// looks the simulators up in it without reading system.reg again. Null for an empty list.
std::shared_ptr<WinePrefixRegistry> chooseWinePrefixRegistry(const std::vector<std::string>& candidates);

// chooseWinePrefix over the candidates of this process's environment.
std::string DetectWinePrefix();
std::shared_ptr<WinePrefixRegistry> DetectWinePrefixRegistry();

} // namespace sw
