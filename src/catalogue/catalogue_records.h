#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sw::catalogue {

// The catalogue's two file formats, scanned the way the maker's files have always been read.
//
// prod.txt, one record a product:   NAME "&&" LISTFILE ";;" <2 characters>
// a livery list, one record a livery: NAME "&&" PACKAGEURL ";;" THUMBURL "!!" <2 characters>
//
// A record runs up to and including its terminator (";;" or "!!") and the two characters
// after it (normally CR LF, dropped whatever they are); text without a terminator is the last
// record. Its fields are cut from the record alone, each running to the first occurrence of
// the next separator after the field before it, so a field can never hold a separator of its
// own record and never reaches into the next record; a field whose closing separator is
// missing is empty. Names are not trimmed. Scanning goes on while the rest holds "&&", and
// everything cut out of a text is never larger than the text.

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

// The length of the first record: up to and including `terminator` and the two characters
// after it (fewer at the end of the text), or the whole text when it holds no terminator.
std::size_t recordLength(std::string_view text, std::string_view terminator);

// Removes the first record.
void removeRecord(std::string& text, const std::string& terminator);

// Removes `count` records from the front.
std::string skipRecords(std::string_view text, const std::string& terminator, int count);

std::vector<ProductRecord> scanProducts(std::string_view catalogueText);
std::vector<LiveryRecord> scanLiveries(std::string_view liveryListText);

// The first record's fields of what is left.
ProductRecord firstProduct(std::string_view text);
LiveryRecord firstLivery(std::string_view text);

} // namespace sw::catalogue
