#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The [fltsim.N] sections of an aircraft.cfg held as ConfigText (every line ending in CR LF).
namespace sw::liveries {

// The number of occurrences of "[fltsim." (case-sensitive, comment lines included): the
// number the next section gets.
int countSections(const std::string& configText);

// Inserts CR LF CR LF + the (numbered) descriptor in front of the two characters that precede
// the first "[General]" (the CR LF of the empty line before it in a well-formed file); at the
// very start when there is no "[General]" or it stands at position 0 or 1.
void insertSection(std::string& configText, const std::string& descriptorText);

// The "ui_variation=" values in file order: item k belongs to [fltsim.k].
std::vector<std::string> variations(const std::string& configText);

// What removal takes out for the section [fltsim.<index>].
struct SectionSpan {
    std::size_t begin = 0;   // the '[' of the header
    std::size_t end = 0;     // one past the last character removed
    std::string textureName; // the "texture=" value
    std::string variation;   // the "ui_variation=" value
};

// The section [fltsim.<index>] as removal needs it, checked before anything is changed:
// the header exists, and within the section (up to the next line that starts with '[')
// "ui_variation=", "texture=" and, after it, "description=" are present. The span runs
// from the header to the end of the description line plus the CR LF of the empty line
// after it (only when that line is empty). Empty when any check fails.
std::optional<SectionSpan> locateSection(const std::string& configText, int index);

// Renumbers every "[fltsim.<anything>]" header 0, 1, 2, ... in file order. An occurrence
// whose ']' is not on its own line is counted but left unchanged.
void renumberSections(std::string& configText);

} // namespace sw::liveries
