#include "protocol/emopa.h"
#include "shell/settings_store.h"
#include "support/gtest_qt.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace {

struct LoadCase {
    const char* name;
    const char* file;    // root file to write, empty: none
    const char* content; // its text
    const char* keyPath;
    int port;  // expected when no error
    int error; // expected EMopa number, 0: none
};

const LoadCase LoadCases[] = {
    {"NoFileMeansNoPort", "", "", "HKEY_LOCAL_MACHINE\\Software\\ZedoVudera", 0, 0},
    {"MissingKeyMeansNoPort", "HKEY_LOCAL_MACHINE.ini", "[Other]\nPort=3\n",
     "HKEY_LOCAL_MACHINE\\Software\\ZedoVudera", 0, 0},
    {"StoredPort", "HKEY_LOCAL_MACHINE.ini", "[Software/ZedoVudera/Communication]\nPort=7\n",
     "HKEY_LOCAL_MACHINE\\Software\\ZedoVudera", 7, 0},
    {"AsQSettingsWritesIt", "HKEY_LOCAL_MACHINE.ini",
     "[Software]\nZedoVudera\\Communication\\Port=12\n", "HKEY_LOCAL_MACHINE\\Software\\ZedoVudera",
     12, 0},
    {"PortNotAnInteger", "HKEY_LOCAL_MACHINE.ini",
     "[Software/ZedoVudera/Communication]\nPort=COM3\n", "HKEY_LOCAL_MACHINE\\Software\\ZedoVudera",
     0, 17},
    {"PortAList", "HKEY_LOCAL_MACHINE.ini", "[Software/ZedoVudera/Communication]\nPort=3, 4\n",
     "HKEY_LOCAL_MACHINE\\Software\\ZedoVudera", 0, 17},
    {"PortMissingInAnExistingKey", "HKEY_LOCAL_MACHINE.ini",
     "[Software/ZedoVudera/Communication]\nBaud=9600\n", "HKEY_LOCAL_MACHINE\\Software\\ZedoVudera",
     0, 17},
    {"RootInLowerCase", "HKEY_LOCAL_MACHINE.ini", "[Software/ZedoVudera/Communication]\nPort=4\n",
     "hkey_local_machine\\Software\\ZedoVudera", 4, 0},
    {"UnknownRootReadsCurrentUser", "HKEY_CURRENT_USER.ini",
     "[Software/ZedoVudera/Communication]\nPort=5\n", "HKEY_SOMEWHERE\\Software\\ZedoVudera", 5, 0},
    {"ClassesRoot", "HKEY_CLASSES_ROOT.ini", "[Software/ZedoVudera/Communication]\nPort=6\n",
     "HKEY_CLASSES_ROOT\\Software\\ZedoVudera", 6, 0},
    {"TrailingBackslash", "HKEY_LOCAL_MACHINE.ini", "[Software/ZedoVudera/Communication]\nPort=8\n",
     "HKEY_LOCAL_MACHINE\\Software\\ZedoVudera\\", 8, 0},
    {"NoBackslashOpensNothing", "HKEY_CURRENT_USER.ini",
     "[Software/ZedoVudera/Communication]\nPort=9\n", "HKEY_CURRENT_USER", 0, 0},
};

class LoadSettingsTable : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadSettingsTable, ReadsThePortOrFails) {
    const LoadCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    if (*c.file) {
        QFile f(dir.path() + QLatin1Char('/') + QLatin1String(c.file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.content);
    }
    std::optional<int> error;
    int port = -1;
    try {
        port = LoadSettings(QString::fromUtf8(c.keyPath), dir.path());
    } catch (const EMopa& e) {
        error = e.ErrorNumber;
        EXPECT_STREQ(e.what(), "Failed to load settings");
    }
    if (c.error) {
        EXPECT_EQ(error, c.error);
    } else {
        EXPECT_FALSE(error.has_value());
        EXPECT_EQ(port, c.port);
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, LoadSettingsTable, ::testing::ValuesIn(LoadCases),
                         [](const auto& info) { return std::string(info.param.name); });

class StoreSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString file(const char* root) const {
        return dir.path() + QLatin1Char('/') + QLatin1String(root) + QStringLiteral(".ini");
    }
    QTemporaryDir dir;
};

TEST_F(StoreSettingsTest, RoundTripKeepsOtherEntries) {
    {
        QFile f(file("HKEY_LOCAL_MACHINE"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Other]\nKeep=1\n");
    }
    StoreSettings(QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\ZedoVudera"), 117, dir.path());
    EXPECT_EQ(LoadSettings(QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\ZedoVudera"), dir.path()),
              117);
    QSettings ini(file("HKEY_LOCAL_MACHINE"), QSettings::IniFormat);
    EXPECT_EQ(ini.value(QStringLiteral("Software/ZedoVudera/Communication/Port")).toInt(), 117);
    EXPECT_EQ(ini.value(QStringLiteral("Other/Keep")).toInt(), 1);
    // Another root is another file.
    EXPECT_FALSE(QFile::exists(file("HKEY_CURRENT_USER")));
}

TEST_F(StoreSettingsTest, CreatesTheConfigDirectory) {
    const QString nested = dir.path() + QStringLiteral("/ZedoVudera");
    StoreSettings(QStringLiteral("HKEY_CURRENT_USER\\Software\\ZedoVudera"), 3, nested);
    EXPECT_EQ(LoadSettings(QStringLiteral("hkey_current_user\\Software\\ZedoVudera"), nested), 3);
}

TEST_F(StoreSettingsTest, NoBackslashStoresNothing) {
    StoreSettings(QStringLiteral("HKEY_LOCAL_MACHINE"), 3, dir.path());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(StoreSettingsTest, UnwritableStoreFails) {
    // A directory where the root file belongs cannot be written, not even by root.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("HKEY_LOCAL_MACHINE.ini")));
    try {
        StoreSettings(QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\ZedoVudera"), 4, dir.path());
        FAIL() << "no error";
    } catch (const EMopa& e) {
        EXPECT_EQ(e.ErrorNumber, 16);
        EXPECT_STREQ(e.what(), "Failed to store settings");
    }
    // A configuration directory that is a file.
    QFile blocker(dir.path() + QStringLiteral("/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_THROW(StoreSettings(QStringLiteral("HKEY_CURRENT_USER\\Software\\ZedoVudera"), 4,
                               blocker.fileName() + QStringLiteral("/ZedoVudera")),
                 EMopa);
}

} // namespace
