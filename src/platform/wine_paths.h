#pragma once

#include <optional>
#include <string>

namespace sw {

// Turns a Windows path of a Wine prefix ("C:\Program Files\FS9\") into a native one through
// the prefix's drive links (<prefix>/dosdevices/c:), each component resolved
// case-insensitively as Wine does; components that do not exist keep their spelling and a
// trailing separator is kept. Returns nothing when the value is not a drive path or the
// prefix has no link for its drive.
std::optional<std::string> nativePathFromWindows(const std::string& prefix, const std::string& windowsPath);

// The native folder of a drive of the prefix ("c" -> <prefix>/dosdevices/c: made canonical),
// or nothing when the prefix has no such drive.
std::optional<std::string> wineDriveFolder(const std::string& prefix, char driveLetter);

} // namespace sw
