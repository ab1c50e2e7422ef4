#include <QCoreApplication>

#include <gtest/gtest.h>

// Constructing the application switches the C library to the environment's locale,
// exactly as the program does at start-up.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
