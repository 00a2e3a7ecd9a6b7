#include <cstdio>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Nothing under test may wait for a key at a terminal.
    if (std::freopen("/dev/null", "r", stdin) == nullptr) return 2;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
