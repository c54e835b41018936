#include "archive/item_mask.h"

#include <algorithm>
#include <vector>

#include "archive/zip_archive.h"

namespace sw {

namespace {

char fold(char c) {
    if (c >= 'A' && c <= 'Z')
        return static_cast<char>(c - 'A' + 'a');
    return c == '/' ? '\\' : c;
}

// Wildcard match with backtracking over the last "*" only: linear in practice and never
// exponential, whatever the pattern.
bool wildcard(const std::string& name, const std::string& pattern) {
    if (name.empty())
        return pattern.empty();
    if (pattern == "*" || pattern == "*.*")
        return !name.empty();
    std::size_t n = 0, p = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || fold(pattern[p]) == fold(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

void splitFolder(const std::string& path, std::string& folder, std::string& bare) {
    const auto cut = path.find_last_of("/\\");
    if (cut == std::string::npos) {
        folder.clear();
        bare = path;
    } else {
        folder = path.substr(0, cut);
        bare = path.substr(cut + 1);
    }
}

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos)
        return "";
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

} // namespace

bool nameMatchesMask(const std::string& name, const std::string& masks) {
    std::string itemFolder, itemBare;
    splitFolder(name, itemFolder, itemBare);
    std::size_t start = 0;
    while (start <= masks.size()) {
        auto end = masks.find(';', start);
        if (end == std::string::npos)
            end = masks.size();
        const std::string entry = trim(masks.substr(start, end - start));
        start = end + 1;
        if (entry.empty())
            continue;
        std::string maskFolder, maskBare;
        splitFolder(entry, maskFolder, maskBare);
        if (!maskFolder.empty() && !wildcard(itemFolder, maskFolder))
            continue;
        if (maskBare.empty() ? itemBare.empty() : wildcard(itemBare, maskBare))
            return true;
    }
    return false;
}

bool ItemMatchesMask(const TAbArchiveItem& item, const std::string& masks) {
    return nameMatchesMask(std::string(item.FileName), masks);
}

} // namespace sw
