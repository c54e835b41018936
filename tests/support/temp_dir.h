#pragma once

#include <filesystem>
#include <string>

namespace sw::test {

// A fresh folder under the system's temporary folder, removed with everything in it
// when the object goes out of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string str() const { return m_path.string(); }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// Whole-file helpers for fixtures (bytes in, bytes out, no translation).
void writeFile(const std::filesystem::path& path, const std::string& bytes);
std::string readFile(const std::filesystem::path& path);

// Runs the current test with `folder` as the process's current folder, restoring the old one.
class ScopedCurrentFolder {
public:
    explicit ScopedCurrentFolder(const std::filesystem::path& folder);
    ~ScopedCurrentFolder();
    ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
    ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;

private:
    std::filesystem::path m_previous;
};

// Takes the write permission of `folder` away while the object lives, for the calling thread
// even when the tests run as root (which would otherwise bypass the permission bits): the
// folder's mode becomes read-only and the thread's capability to override file permissions
// is dropped from its effective set.
class WithoutWriteAccess {
public:
    explicit WithoutWriteAccess(const std::filesystem::path& folder);
    ~WithoutWriteAccess();
    WithoutWriteAccess(const WithoutWriteAccess&) = delete;
    WithoutWriteAccess& operator=(const WithoutWriteAccess&) = delete;

private:
    std::filesystem::path m_folder;
    std::filesystem::perms m_perms;
    bool m_dropped = false;
};

// Sets an environment variable for the lifetime of the object (unset when `value` is null).
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    bool m_hadValue = false;
    std::string m_oldValue;
};

} // namespace sw::test
