#pragma once

#include <string>

namespace sw {

// The maker's web site and catalogue server. The program's own addresses can be replaced
// through the environment: SKINWRIGHT_MAKER_URL (home page; the FAQ is its "/FAQ") and
// SKINWRIGHT_CATALOGUE_URL (the folder that holds prod.txt and the livery lists); the two
// constants are the defaults.
inline constexpr const char* kMakerHomeUrl = "http://www.zev-simulations.example/";
inline constexpr const char* kCatalogueBaseUrl = "http://www.zev-simulations.example/skinwright/";

std::string MakerHomeUrl();
std::string MakerFaqUrl();
std::string CatalogueBaseUrl();

} // namespace sw
