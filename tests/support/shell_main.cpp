#include "shell/zv_application.h"

#include <gtest/gtest.h>

// The program's own application object. Test discovery runs the binary without the
// test environment: widgets must never need a display.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ZvApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
