#pragma once

#include <string>

namespace sw {

class TAbArchiveItem;

// Whether an item's name matches a mask list: entries separated by ";", trimmed of spaces,
// compared without regard to case with "/" and "\" alike. An entry with a folder part needs
// the item's folder to match it too. "*" matches any run, "?" one character; "*" and "*.*"
// alone match any non-empty name, dotted or not. An empty name matches only an empty pattern,
// so folder entries ("Livery/") never match "*.*".
bool ItemMatchesMask(const TAbArchiveItem& item, const std::string& masks);
bool nameMatchesMask(const std::string& name, const std::string& masks);

} // namespace sw
