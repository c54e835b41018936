#pragma once

#include <string>

namespace sw::test {

// Why no X server could be had (empty when the tests run in Xvfb).
const std::string& xDisplayMissing();

} // namespace sw::test
