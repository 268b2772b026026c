#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    const testing::UnitTest& u = *testing::UnitTest::GetInstance();
    std::printf("unit: %d passed, %d failed\n", u.successful_test_count(), u.failed_test_count());
    return rc;
}
