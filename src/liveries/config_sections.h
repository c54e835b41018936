#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The [fltsim.N] sections of an aircraft.cfg held as ConfigText (every line ending in CR LF).
//
// A section header is a line that starts with "[fltsim." in any letter case, after any
// blanks (spaces, tabs), as the simulators read the file; a byte-order mark at the very start
// of the text belongs to no line. Text that merely mentions "[fltsim." elsewhere, such as a
// comment, is no header: it is never counted, found or renumbered.
namespace sw::liveries {

// Where the "[fltsim." of the header on the line starting at `lineStart` stands; npos when
// that line is no header.
std::size_t headerAt(const std::string& configText, std::size_t lineStart);

// The number of header lines: the number the next section gets.
int countSections(const std::string& configText);

// Inserts CR LF CR LF + the (numbered) descriptor in front of the CR LF that ends the line
// before the first line opening with "[General]" (after blanks): in a well-formed file the CR
// LF of the empty line before it. Without such a line the text's end takes its place, so the
// new section follows the last one; a "[General]" line that is the first line puts it at the
// very start, after a byte-order mark. A "[General]" inside a line is no section: inserting
// in front of it would split that line, and inserting at the start would make the lines
// before the first section keys of the new one.
void insertSection(std::string& configText, const std::string& descriptorText);

// The "ui_variation=" values in file order: item k belongs to [fltsim.k].
std::vector<std::string> variations(const std::string& configText);

// What removal takes out for the section [fltsim.<index>].
struct SectionSpan {
    std::size_t begin = 0;   // the start of the header line
    std::size_t end = 0;     // one past the last character removed
    std::string textureName; // the "texture=" value
    std::string variation;   // the "ui_variation=" value
};

// The section [fltsim.<index>] as removal needs it, checked before anything is changed: a
// header line with that number exists, and within the section (up to the next line that
// opens a section with '[') "ui_variation=", "texture=" and, after it, "description=" are
// present. The span runs from the header line to the end of the section's last non-empty
// line, then takes the CR LF of one empty line after it (only when that line is empty).
// Keys after "description=" are part of the section. Empty when any check fails.
std::optional<SectionSpan> locateSection(const std::string& configText, int index);

// The "texture=" value of every section, in file order (sections without one are skipped).
std::vector<std::string> sectionTextures(const std::string& configText);

// Renumbers the header lines 0, 1, 2, ... in file order, replacing what stands between
// "[fltsim." and the line's first ']' and keeping the header's own letter case. A header line
// without ']' is counted but left unchanged.
void renumberSections(std::string& configText);

} // namespace sw::liveries
