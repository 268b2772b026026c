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
    std::printf("wintests: %d passed, %d failed\n", u.successful_test_count(), u.failed_test_count());
    std::fflush(stdout);
    return rc;
}
