#include <gtest/gtest.h>

#include "child_process.h"

int wmain(int argc, wchar_t** argv) {
    int child = RunChildIfAsked(argc, argv);
    if (child >= 0)
        return child;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
