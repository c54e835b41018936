#include "core/site_addresses.h"

#include <cstdlib>

namespace sw {

namespace {

std::string fromEnvironment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

} // namespace

std::string MakerHomeUrl() {
    return fromEnvironment("SKINWRIGHT_MAKER_URL", kMakerHomeUrl);
}

std::string MakerFaqUrl() {
    std::string home = MakerHomeUrl();
    while (!home.empty() && home.back() == '/')
        home.pop_back();
    return home + "/FAQ";
}

std::string CatalogueBaseUrl() {
    std::string base = fromEnvironment("SKINWRIGHT_CATALOGUE_URL", kCatalogueBaseUrl);
    if (base.back() != '/')
        base += '/';
    return base;
}

} // namespace sw
