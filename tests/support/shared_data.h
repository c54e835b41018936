#pragma once

#include <filesystem>
#include <optional>

namespace sw::test {

// The shared test material (zip archives of independent tools and their manifest), found
// beside the repository or through SKINWRIGHT_SHARED_DIR. A fresh clone has none; callers skip:
//   auto dir = sharedDataDir("testdata/zip");
//   if (!dir) GTEST_SKIP() << "shared test data not found";
std::optional<std::filesystem::path> sharedDataDir(const std::filesystem::path& sub);

} // namespace sw::test
