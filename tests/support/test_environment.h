#pragma once

#include <cstdlib>

namespace sw::test {

// The environment every test runs in, whatever the shell that started it says: the C locale
// with UTF-8 (numbers, messages) and Qt's pictures at their own size.
inline void setTestEnvironment() {
    setenv("LC_ALL", "C.UTF-8", 1);
    setenv("QT_SCALE_FACTOR", "1", 1);
}

} // namespace sw::test
