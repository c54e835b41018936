#pragma once

#include "support/temp_dir.h"

#include <string>

namespace sw::test {

// A Wine prefix in a temporary folder: system.reg with the text given, and a C: drive
// (dosdevices/c: -> ../drive_c) holding the folders named.
class WinePrefixFixture {
public:
    WinePrefixFixture();
    std::string path() const { return m_dir.str(); }
    std::string driveC() const { return (m_dir / "drive_c").string(); }

    void writeSystemReg(const std::string& text);
    // Creates a folder below drive_c ("Program Files/Microsoft Games/FS9").
    std::string makeFolder(const std::string& relative);

private:
    TempDir m_dir;
};

// system.reg texts.
std::string registryHeader(bool win64);
std::string registryKey(const std::string& escapedPath, const std::string& values);

} // namespace sw::test
