#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <linux/capability.h>
#include <random>
#include <stdexcept>
#include <sys/syscall.h>
#include <unistd.h>

namespace sw::test {

TempDir::TempDir() {
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = base / ("skinwright-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(candidate)) {
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests may leave read-only entries behind; make them writable first.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(m_path, ec);
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ScopedCurrentFolder::ScopedCurrentFolder(const std::filesystem::path& folder)
    : m_previous(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
}

ScopedCurrentFolder::~ScopedCurrentFolder() {
    std::error_code ec;
    std::filesystem::current_path(m_previous, ec);
}

namespace {

// Raises or lowers CAP_DAC_OVERRIDE in the calling thread's effective set; true when it was
// there to lower (it stays permitted, so it can be raised again).
bool setDacOverride(bool on) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    const unsigned bit = 1u << CAP_DAC_OVERRIDE;
    if (!on && (data[0].effective & bit) == 0)
        return false;
    data[0].effective = on ? (data[0].effective | bit) : (data[0].effective & ~bit);
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace

WithoutWriteAccess::WithoutWriteAccess(const std::filesystem::path& folder)
    : m_folder(folder), m_perms(std::filesystem::status(folder).permissions()) {
    using std::filesystem::perms;
    std::filesystem::permissions(folder, perms::owner_write | perms::group_write | perms::others_write,
                                 std::filesystem::perm_options::remove);
    m_dropped = setDacOverride(false);
}

WithoutWriteAccess::~WithoutWriteAccess() {
    if (m_dropped)
        setDacOverride(true);
    std::error_code ec;
    std::filesystem::permissions(m_folder, m_perms, ec);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) {
        m_hadValue = true;
        m_oldValue = old;
    }
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (m_hadValue)
        setenv(m_name.c_str(), m_oldValue.c_str(), 1);
    else
        unsetenv(m_name.c_str());
}

} // namespace sw::test
