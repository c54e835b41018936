#pragma once

#include <string>

// Windows name comparison and wildcard matching, kept apart from the file calls so the
// rules can be tested on their own.
namespace sw::fs {

// The characters of `name`, each folded to lower case. A valid UTF-8 sequence is one
// character; any other byte is read as Windows-1252. Folding covers ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic capitals, which is what names of liveries use.
std::u32string foldedCharacters(const std::string& name);

} // namespace sw::fs
