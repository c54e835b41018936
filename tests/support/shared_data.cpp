#include "support/shared_data.h"

#include <cstdlib>

namespace sw::test {

std::optional<std::filesystem::path> sharedDataDir(const std::filesystem::path& sub) {
    std::filesystem::path root;
    if (const char* env = std::getenv("SKINWRIGHT_SHARED_DIR"); env && *env)
        root = env;
    else
        root = SKINWRIGHT_SHARED_DIR;
    std::error_code ec;
    auto dir = root / sub;
    if (std::filesystem::is_directory(dir, ec))
        return dir;
    return std::nullopt;
}

} // namespace sw::test
