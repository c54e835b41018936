#pragma once

#include <string>
#include <vector>

namespace sw::catalogue {

// The catalogue's two file formats, scanned the way the maker's files have always been read.
//
// prod.txt, one record a product:   NAME "&&" LISTFILE ";;" <2 characters>
// a livery list, one record a livery: NAME "&&" PACKAGEURL ";;" THUMBURL "!!" <2 characters>
//
// Each field runs to the FIRST occurrence of the next separator in the text that is left, so
// a field can never hold a separator of its own record; names are not trimmed. A record is
// removed from the front up to and including its terminator plus the two characters after it
// (normally CR LF) whatever they are. Scanning goes on while the rest still holds "&&".

struct ProductRecord {
    std::string name;
    std::string listFile;
};

struct LiveryRecord {
    std::string name;
    std::string packageUrl;
    std::string thumbnailUrl;
};

inline constexpr const char* kProductTerminator = ";;";
inline constexpr const char* kLiveryTerminator = "!!";

// The text between the first occurrence of `from` and the first occurrence of `to` (both
// searched from the start): empty when `from` is absent or `to` does not follow it.
std::string fieldBetween(const std::string& text, const std::string& from, const std::string& to);

// The text before the first "&&" (the whole text when there is none).
std::string recordName(const std::string& text);

// Removes the first record: everything up to and including `terminator` and two more
// characters. A text without the terminator loses its first three characters, so scanning
// a damaged file still ends.
void removeRecord(std::string& text, const std::string& terminator);

// Removes `count` records from the front.
std::string skipRecords(std::string text, const std::string& terminator, int count);

std::vector<ProductRecord> scanProducts(const std::string& catalogueText);
std::vector<LiveryRecord> scanLiveries(const std::string& liveryListText);

// The first record's fields of what is left.
ProductRecord firstProduct(const std::string& text);
LiveryRecord firstLivery(const std::string& text);

} // namespace sw::catalogue
