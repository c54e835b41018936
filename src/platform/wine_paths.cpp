#include "platform/wine_paths.h"

#include "platform/file_system.h"

#include <filesystem>

namespace sw {

std::optional<std::string> wineDriveFolder(const std::string& prefix, char driveLetter) {
    if (driveLetter >= 'A' && driveLetter <= 'Z')
        driveLetter = static_cast<char>(driveLetter - 'A' + 'a');
    std::error_code ec;
    std::filesystem::path link =
        std::filesystem::path(prefix) / "dosdevices" / (std::string(1, driveLetter) + ":");
    auto target = std::filesystem::canonical(link, ec);
    if (ec || !std::filesystem::is_directory(target, ec))
        return std::nullopt;
    return target.string();
}

std::optional<std::string> nativePathFromWindows(const std::string& prefix, const std::string& windowsPath) {
    if (windowsPath.size() < 2 || windowsPath[1] != ':')
        return std::nullopt;
    char letter = windowsPath[0];
    if (!((letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z')))
        return std::nullopt;
    auto drive = wineDriveFolder(prefix, letter);
    if (!drive)
        return std::nullopt;
    std::string rest = windowsPath.substr(2);
    for (char& c : rest)
        if (c == '\\')
            c = '/';
    std::string native = *drive;
    if (!rest.empty() && rest.front() != '/')
        native += '/';
    native += rest;
    std::string resolved = fs::resolve(native);
    // Keep a trailing separator exactly as the registry value had it.
    if (!rest.empty() && rest.back() == '/' && (resolved.empty() || resolved.back() != '/'))
        resolved += '/';
    return resolved;
}

} // namespace sw
