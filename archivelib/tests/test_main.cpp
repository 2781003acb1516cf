#include <windows.h>

#include <stdio.h>

#include "gtest/gtest.h"

static_assert(sizeof("あ") == 3, "tests must be compiled for code page 932");

int main(int argc, char** argv) {
    // In code page 1252 the name round trips still pass while real users would get garbage.
    if (GetACP() != 932) {
        fprintf(stderr, "code page is %u, the tests need 932 (LANG=ja_JP.UTF-8 under Wine)\n", GetACP());
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
