#include "wine_prefix_fixture.h"

#include <filesystem>

namespace sw::test {

WinePrefixFixture::WinePrefixFixture() {
    std::filesystem::create_directories(m_dir / "drive_c");
    std::filesystem::create_directories(m_dir / "dosdevices");
    std::filesystem::create_directory_symlink("../drive_c", m_dir / "dosdevices" / "c:");
}

void WinePrefixFixture::writeSystemReg(const std::string& text) {
    writeFile(m_dir / "system.reg", text);
}

std::string WinePrefixFixture::makeFolder(const std::string& relative) {
    auto folder = m_dir / "drive_c" / relative;
    std::filesystem::create_directories(folder);
    return folder.string();
}

std::string registryHeader(bool win64) {
    return std::string("WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n") +
           (win64 ? "#arch=win64\n\n" : "#arch=win32\n\n");
}

std::string registryKey(const std::string& escapedPath, const std::string& values) {
    return "[" + escapedPath + "] 1700000000\n#time=1da0c0e0f0a0b0c\n" + values + "\n";
}

} // namespace sw::test
