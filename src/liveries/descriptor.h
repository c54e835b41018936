#pragma once

#include <functional>
#include <string>

namespace sw::liveries {

// `DescriptorValue(text, key)`: the text after the first occurrence of `key` (case-sensitive,
// anywhere in the text) up to the next CR, taken exactly, blanks included. For an absent key
// the search position is 0, so the first (key length - 1) characters are dropped and the
// rest of the first line comes back: "title=" on "[fltsim.xx]\r\n..." gives "im.xx]".
// Empty when no CR follows.
std::string DescriptorValue(const std::string& text, const std::string& key);

// ProductFolder: "ZEV_" + the "productfolder=" value, every '-' turned into '_'.
std::string productFolderFor(const std::string& descriptorText);

// The texture folder search in a package folder: the last entry, in enumeration order, other
// than ".", ".." and "installerinfo.txt"; `current` when there is none. `onEntry` sees every
// entry enumerated, "." and ".." included.
std::string findTextureFolder(const std::string& packageFolder, const std::string& current,
                              const std::function<void(const std::string&)>& onEntry = {});

// Writes section number `number` into the descriptor's header: whatever stands between the
// "[fltsim." (any letter case, after blanks) that opens the first line and that line's first
// ']' is replaced; a leading byte-order mark is dropped. False, and the text unchanged, when
// the first line is not such a header.
bool numberDescriptor(std::string& descriptorText, int number);

// True when a path component from a file (a product or texture name) would reach outside
// its folder: it is empty, holds a separator, or is "." or "..".
bool isUnsafeName(const std::string& name);

} // namespace sw::liveries
