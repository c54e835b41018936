#pragma once

#include <string>

namespace sw {

// The maker's web site and catalogue server. The program's own addresses can be replaced
// through the environment: SKINWRIGHT_MAKER_URL (home page; the FAQ is its "/FAQ") and
// SKINWRIGHT_CATALOGUE_URL (the folder that holds prod.txt and the livery lists).
std::string MakerHomeUrl();
std::string MakerFaqUrl();
std::string CatalogueBaseUrl();

} // namespace sw
