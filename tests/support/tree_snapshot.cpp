#include "support/tree_snapshot.h"

#include "support/temp_dir.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <vector>

namespace sw::test {

namespace {

void walk(const std::filesystem::path& folder, const std::string& prefix,
          std::map<std::string, std::string>& out) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = prefix + entry.path().filename().string();
        struct stat st {};
        ::lstat(entry.path().c_str(), &st);
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        if (S_ISLNK(st.st_mode)) {
            out[name] = "link " + std::filesystem::read_symlink(entry.path()).string();
        } else if (S_ISDIR(st.st_mode)) {
            out[name] = std::string("folder ") + mode;
            walk(entry.path(), name + "/", out);
        } else {
            out[name] = std::string("file ") + mode + " " + readFile(entry.path());
        }
    }
}

} // namespace

std::map<std::string, std::string> snapshotTree(const std::filesystem::path& root) {
    std::map<std::string, std::string> out;
    if (std::filesystem::exists(root))
        walk(root, "", out);
    return out;
}

ShmDir::ShmDir() {
    struct statfs info {};
    constexpr long kTmpfsMagic = 0x01021994;
    if (::statfs("/dev/shm", &info) != 0 || static_cast<long>(info.f_type) != kTmpfsMagic)
        return;
    std::vector<char> name{'/', 'd', 'e', 'v', '/', 's', 'h', 'm', '/', 's', 'w', '-',
                           't', 'e', 's', 't', '-', 'X', 'X', 'X', 'X', 'X', 'X', '\0'};
    if (::mkdtemp(name.data()) != nullptr)
        m_path = name.data();
}

ShmDir::~ShmDir() {
    if (m_path.empty())
        return;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(m_path, ec);
}

bool onDifferentFileSystems(const std::filesystem::path& a, const std::filesystem::path& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev != sb.st_dev;
}

} // namespace sw::test
