#include "app/core/wine_prefix_search.h"

#include "app/core/simulator_detection.h"
#include "app/core/steam_libraries.h"

#include <algorithm>
#include <cstdlib>

namespace sw {

std::vector<std::string> candidateWinePrefixes(const char* winePrefixVariable, const std::string& home) {
    std::vector<std::string> candidates;
    auto add = [&](std::string prefix) {
        while (prefix.size() > 1 && prefix.back() == '/')
            prefix.pop_back();
        if (std::find(candidates.begin(), candidates.end(), prefix) == candidates.end())
            candidates.push_back(std::move(prefix));
    };
    if (winePrefixVariable && *winePrefixVariable)
        add(winePrefixVariable);
    add(home + "/.wine");
    for (std::string& prefix : fsxProtonPrefixes(home))
        add(std::move(prefix));
    return candidates;
}

std::string chooseWinePrefix(const std::vector<std::string>& candidates) {
    for (const std::string& prefix : candidates) {
        const WinePrefixRegistry registry(prefix);
        if (registry.lookup(Simulator::FS9).keyOpens || registry.lookup(Simulator::FSX).keyOpens)
            return prefix;
    }
    return candidates.empty() ? std::string() : candidates.front();
}

std::string DetectWinePrefix() {
    const char* home = std::getenv("HOME");
    return chooseWinePrefix(candidateWinePrefixes(std::getenv("WINEPREFIX"), home ? home : ""));
}

} // namespace sw
