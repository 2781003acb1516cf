#include <windows.h>

#include <gtest/gtest.h>

#include "archivers/library_search.h"
#include "tests/win/test_support.h"

// Installs the scripted modal seam before every test, so no test can block
// on a real message box or dialog. The bundled library built beside this
// program would stand in for every missing library: a test that wants it
// names the program folder it lies in.
class ModalSeamListener : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override {
        InstallFakeModal();
        SetProgramFolderForTests(L"C:\\fardelix-tests-no-bundled-library\\");
    }
};

int main(int argc, char** argv) {
    // In code page 1252 a list-view round trip of Japanese text still passes
    // while the program would show garbage: refuse to run there.
    if (GetACP() != 932) {
        fprintf(stderr, "The Windows tests need code page 932 (run with LANG=ja_JP.UTF-8); GetACP() is %u\n", GetACP());
        return 1;
    }
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new ModalSeamListener);
    return RUN_ALL_TESTS();
}
