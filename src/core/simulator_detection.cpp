#include "core/simulator_detection.h"

#include "platform/wine_paths.h"
#include "platform/wine_registry.h"

#include <cstdint>

#include <sys/stat.h>

namespace sw {

namespace {

// What identifies one state of system.reg: a changed file differs in one of these.
struct FileStamp {
    bool present = false;
    dev_t device = 0;
    ino_t inode = 0;
    mode_t mode = 0;
    off_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;

    static FileStamp of(const std::string& path) {
        FileStamp stamp;
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0)
            return stamp;
        stamp.present = true;
        stamp.device = info.st_dev;
        stamp.inode = info.st_ino;
        stamp.mode = info.st_mode;
        stamp.size = info.st_size;
        stamp.modifiedNs = std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
        stamp.changedNs = std::int64_t{info.st_ctim.tv_sec} * 1000000000 + info.st_ctim.tv_nsec;
        return stamp;
    }
    bool operator==(const FileStamp&) const = default;
};

} // namespace

struct WinePrefixRegistry::Cache {
    std::optional<FileStamp> stamp; // none before the first load
    WineRegistry registry;
};

WinePrefixRegistry::WinePrefixRegistry(std::string prefix)
    : m_prefix(std::move(prefix)), m_cache(std::make_unique<Cache>()) {}

WinePrefixRegistry::~WinePrefixRegistry() = default;

SimulatorRegistration WinePrefixRegistry::lookup(Simulator simulator) const {
    const char* key = nullptr;
    const char* value = nullptr;
    switch (simulator) {
    case Simulator::FS9:
        key = "software\\microsoft\\microsoft games\\flight simulator\\9.0";
        value = "exe path";
        break;
    case Simulator::FSX:
        key = "software\\Microsoft\\Microsoft Games\\Flight Simulator\\10.0";
        value = "SetupPath";
        break;
    case Simulator::None:
        return {};
    }
    const FileStamp stamp = FileStamp::of(m_prefix + "/system.reg");
    if (!m_cache->stamp || !(*m_cache->stamp == stamp)) {
        m_cache->registry = WineRegistry::loadPrefix(m_prefix);
        m_cache->stamp = stamp;
        ++m_loads;
    }
    auto opened = m_cache->registry.openKey(key);
    if (!opened)
        return {};
    SimulatorRegistration result;
    result.keyOpens = true;
    if (auto text = opened->stringValue(value))
        result.folder = nativePathFromWindows(m_prefix, *text).value_or(*text);
    return result;
}

} // namespace sw
