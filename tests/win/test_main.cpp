// Test program run under Wine: the application's windows are created on this (main) thread.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    const testing::UnitTest& u = *testing::UnitTest::GetInstance();
    // Named with the build, as both builds' suites run in one test run.
    std::printf("wintests %s: %d passed, %d failed\n", sizeof(void*) == 4 ? "win32" : "win64",
                u.successful_test_count(), u.failed_test_count());
    std::fflush(stdout);
    return rc;
}
