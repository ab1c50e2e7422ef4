#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Every test process gets its own configuration directory, so COM<n> links made
// by the tests never meet a user's.
int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
