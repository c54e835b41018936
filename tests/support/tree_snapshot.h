#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace sw::test {

// Everything below `root` (not `root` itself): each relative path mapped to its kind,
// permission bits and content ("file 0644 <bytes>", "folder 0755", "link <target>").
// Empty when `root` does not exist. Two trees are identical when their snapshots are equal.
std::map<std::string, std::string> snapshotTree(const std::filesystem::path& root);

// A folder on a tmpfs (/dev/shm), removed with its content when the object goes; empty path
// when none can be had.
class ShmDir {
public:
    ShmDir();
    ~ShmDir();
    ShmDir(const ShmDir&) = delete;
    ShmDir& operator=(const ShmDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// True when the two existing paths lie on different file systems.
bool onDifferentFileSystems(const std::filesystem::path& a, const std::filesystem::path& b);

} // namespace sw::test
