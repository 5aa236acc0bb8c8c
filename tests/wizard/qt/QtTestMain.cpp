#include <gtest/gtest.h>

#include <QApplication>

// The Qt tests share one application object. Listing the tests needs none, so that discovery
// works without a display.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
