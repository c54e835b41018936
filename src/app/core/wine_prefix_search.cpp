#include "app/core/wine_prefix_search.h"

#include "app/core/steam_libraries.h"
#include "core/simulator_detection.h"

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

std::shared_ptr<WinePrefixRegistry> chooseWinePrefixRegistry(const std::vector<std::string>& candidates) {
    std::shared_ptr<WinePrefixRegistry> first;
    for (const std::string& prefix : candidates) {
        auto registry = std::make_shared<WinePrefixRegistry>(prefix);
        if (registry->lookup(Simulator::FS9).keyOpens || registry->lookup(Simulator::FSX).keyOpens)
            return registry;
        if (!first)
            first = std::move(registry);
    }
    return first;
}

std::string chooseWinePrefix(const std::vector<std::string>& candidates) {
    const auto registry = chooseWinePrefixRegistry(candidates);
    return registry ? registry->prefix() : std::string();
}

std::shared_ptr<WinePrefixRegistry> DetectWinePrefixRegistry() {
    const char* home = std::getenv("HOME");
    return chooseWinePrefixRegistry(candidateWinePrefixes(std::getenv("WINEPREFIX"), home ? home : ""));
}

std::string DetectWinePrefix() {
    return DetectWinePrefixRegistry()->prefix(); // the list always holds ~/.wine
}

} // namespace sw
