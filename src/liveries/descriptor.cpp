#include "liveries/descriptor.h"

#include "liveries/config_sections.h"

#include "platform/file_system.h"

#include <algorithm>

namespace sw::liveries {

namespace {
const std::string kHeaderStart = "[fltsim.";
const std::string kByteOrderMark = "\xEF\xBB\xBF";
} // namespace

std::string DescriptorValue(const std::string& text, const std::string& key) {
    // Positions as the program counts them, from 1; 0 when the key is absent.
    const std::size_t found = key.empty() ? std::string::npos : text.find(key);
    const std::size_t position = found == std::string::npos ? 0 : found + 1;
    const std::size_t drop = position + key.size() - (key.empty() ? 0 : 1);
    if (key.empty() || drop >= text.size())
        return std::string();
    const std::size_t cr = text.find('\r', drop);
    if (cr == std::string::npos)
        return std::string();
    return text.substr(drop, cr - drop);
}

std::string productFolderFor(const std::string& descriptorText) {
    std::string folder = "ZEV_" + DescriptorValue(descriptorText, "productfolder=");
    std::replace(folder.begin(), folder.end(), '-', '_');
    return folder;
}

std::string findTextureFolder(const std::string& packageFolder, const std::string& current,
                              const std::function<void(const std::string&)>& onEntry) {
    std::string textureFolder = current;
    for (const fs::DirEntry& entry : fs::enumerate(packageFolder, "*")) {
        if (onEntry)
            onEntry(entry.name);
        if (entry.name != "." && entry.name != ".." && entry.name != "installerinfo.txt")
            textureFolder = entry.name;
    }
    return textureFolder;
}

bool numberDescriptor(std::string& descriptorText, int number) {
    const std::size_t header = headerAt(descriptorText, 0);
    if (header == std::string::npos)
        return false;
    std::size_t close = descriptorText.find(']', header + kHeaderStart.size());
    const std::size_t lineEnd = std::min(descriptorText.find('\r'), descriptorText.find('\n'));
    if (close == std::string::npos || close > lineEnd)
        return false;
    descriptorText.replace(header + kHeaderStart.size(), close - header - kHeaderStart.size(),
                           std::to_string(number));
    // A byte-order mark belongs to the descriptor file, never to the section.
    if (descriptorText.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0)
        descriptorText.erase(0, kByteOrderMark.size());
    return true;
}

bool isUnsafeName(const std::string& name) {
    return name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
           name.find('\\') != std::string::npos;
}

} // namespace sw::liveries
