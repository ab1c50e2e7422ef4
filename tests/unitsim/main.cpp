#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Every test process gets a config directory of its own, so COM links never touch the
// user's and parallel test processes never meet.
int main(int argc, char** argv) {
    QTemporaryDir config;
    if (!config.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
