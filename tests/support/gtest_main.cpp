// main() of the tests without widgets.
#include "support/test_environment.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    sw::test::setTestEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
