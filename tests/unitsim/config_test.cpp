// Scenario options: the command line, the config file, and the COM link.

#include "sim_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

using unitsim::SimConfig;

struct OptionCase {
    const char* key;
    const char* value;
    std::function<bool(const SimConfig&)> holds;
};

TEST(Options, EachKeyReachesItsSetting) {
    const OptionCase cases[] = {
        {"com", "12", [](const SimConfig& c) { return c.com == 12; }},
        {"modules", "at", [](const SimConfig& c) { return !c.ecu.present && c.at.present; }},
        {"modules", "none", [](const SimConfig& c) { return !c.ecu.present && !c.at.present; }},
        {"modules", "both", [](const SimConfig& c) { return c.ecu.present && c.at.present; }},
        {"ecu-registers", "all -0C -0x0d",
         [](const SimConfig& c) {
             return !c.ecu.registers.test(0x0C) && !c.ecu.registers.test(0x0D) &&
                    c.ecu.registers.test(0x08) && c.ecu.registers.count() == 30;
         }},
        {"at-registers", "none 0C 30",
         [](const SimConfig& c) {
             return c.at.registers.count() == 2 && c.at.registers.test(0x30);
         }},
        {"ecu-tests", "none 88 85",
         [](const SimConfig& c) { return c.ecu.tests.count() == 2 && c.ecu.tests.test(0x88); }},
        {"at-tests", "all", [](const SimConfig& c) { return c.at.tests.count() == 15; }},
        {"ecu-faults", "0x21:5 55:0",
         [](const SimConfig& c) {
             return c.ecu.faults == std::vector<unitsim::FaultEntry>{{0x21, 5}, {0x55, 0}};
         }},
        {"at-faults", "none", [](const SimConfig& c) { return c.at.faults.empty(); }},
        {"ecu-ident", "none", [](const SimConfig& c) { return c.ecu.ident.isEmpty(); }},
        {"at-ident", "000102030405060708090A0B0C0D0E0F1011121314FF",
         [](const SimConfig& c) { return c.at.ident.size() == 22 && c.at.ident.endsWith('\xFF'); }},
        {"fps", "12.5", [](const SimConfig& c) { return c.framesPerSecond == 12.5; }},
        {"silence-after", "40", [](const SimConfig& c) { return c.silenceAfterFrames == 40; }},
        {"noise", "0.01", [](const SimConfig& c) { return c.noise == 0.01; }},
        {"hangup-after", "2.5", [](const SimConfig& c) { return c.hangupAfterSeconds == 2.5; }},
        {"seed", "0x10", [](const SimConfig& c) { return c.seed == 16; }},
        {"transcript", "/tmp/rx.txt",
         [](const SimConfig& c) { return c.transcript == QLatin1String("/tmp/rx.txt"); }},
        {"fast", "yes", [](const SimConfig& c) { return c.fast; }},
        {"reply-delay", "0", [](const SimConfig& c) { return c.replyDelayMs == 0; }},
        {"weak-cylinder", "0", [](const SimConfig& c) { return c.weakCylinder == 0; }},
        {"ports-dir", "/tmp/p",
         [](const SimConfig& c) { return c.portsDir == QLatin1String("/tmp/p"); }},
    };
    for (const OptionCase& oc : cases) {
        SimConfig c = SimConfig::defaults();
        QString error;
        ASSERT_TRUE(unitsim::applyOption(c, QString::fromLatin1(oc.key),
                                         QString::fromLatin1(oc.value), &error))
            << oc.key << ": " << error.toStdString();
        EXPECT_TRUE(oc.holds(c)) << oc.key << " = " << oc.value;
        EXPECT_TRUE(unitsim::helpText().contains(QStringLiteral("--") + QLatin1String(oc.key)))
            << oc.key << " is not in --help";
    }
}

TEST(Options, BadValuesAreRefusedWithTheKey) {
    const std::pair<const char*, const char*> cases[] = {
        {"com", "COM9"},
        {"com", "300"},
        {"modules", "ecu,tcm"},
        {"ecu-registers", "1G"},
        {"ecu-registers", "100"},
        {"ecu-faults", "21"},
        {"ecu-faults", "21:256"},
        {"ecu-ident", "0102"},
        {"ecu-ident", "zz"},
        {"fps", "-1"},
        {"noise", "1.5"},
        {"noise", "nan"},
        {"seed", "x"},
        {"fast", "maybe"},
        {"weak-cylinder", "7"},
        {"no-such-option", "1"},
    };
    for (const auto& [key, value] : cases) {
        SimConfig c = SimConfig::defaults();
        QString error;
        EXPECT_FALSE(
            unitsim::applyOption(c, QString::fromLatin1(key), QString::fromLatin1(value), &error))
            << key << " = " << value;
        EXPECT_TRUE(error.contains(QString::fromLatin1(key))) << error.toStdString();
    }
    // More faults than one frame can carry.
    QString many;
    for (int i = 0; i < 128; ++i)
        many += QStringLiteral("21:1 ");
    SimConfig c = SimConfig::defaults();
    EXPECT_FALSE(unitsim::applyOption(c, QStringLiteral("ecu-faults"), many, nullptr));
}

TEST(Options, FileThenCommandLineInOrder) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sim.conf"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("# demo scenario\n"
            "\n"
            "com = 11\n"
            "modules = ecu        # no transmission unit\n"
            "ecu-faults = 21:5, 43:0, 55:1\n"
            "fast = yes\n");
    f.close();

    SimConfig c = SimConfig::defaults();
    bool help = false;
    QString error;
    ASSERT_TRUE(unitsim::parseCommandLine(c,
                                          {QStringLiteral("--seed=7"), QStringLiteral("--config"),
                                           path, QStringLiteral("--com"), QStringLiteral("13")},
                                          &help, &error))
        << error.toStdString();
    EXPECT_FALSE(help);
    EXPECT_EQ(c.com, 13);
    EXPECT_EQ(c.seed, 7u);
    EXPECT_FALSE(c.at.present);
    EXPECT_EQ(c.ecu.faults.size(), 3u);
    EXPECT_TRUE(c.fast);

    QFile bad(dir.filePath(QStringLiteral("bad.conf")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("com = 3\nnoise 0.1\n");
    bad.close();
    EXPECT_FALSE(unitsim::loadConfigFile(c, bad.fileName(), &error));
    EXPECT_TRUE(error.endsWith(QStringLiteral("bad.conf:2: expected key = value")))
        << error.toStdString();
    EXPECT_FALSE(unitsim::parseCommandLine(c, {QStringLiteral("--com")}, &help, &error));
    EXPECT_FALSE(unitsim::parseCommandLine(c, {QStringLiteral("COM9")}, &help, &error));
    ASSERT_TRUE(unitsim::parseCommandLine(c, {QStringLiteral("--fast"), QStringLiteral("--help")},
                                          &help, &error));
    EXPECT_TRUE(help);
}

// The link: made at start, pointing at the device, removed at stop; a link left by a dead
// simulator is replaced, anything else is left alone.
TEST(PortLink, MadeReplacedOrRefused) {
    QTemporaryDir dir;
    SimConfig config = SimConfig::defaults();
    config.portsDir = dir.path() + QStringLiteral("/ports");
    config.com = 5;
    const QString link = config.portsDir + QStringLiteral("/COM5");
    ASSERT_TRUE(QDir().mkpath(config.portsDir));
    ASSERT_EQ(symlink("/dev/pts/no-such-device", QFile::encodeName(link).constData()), 0);
    {
        unitsim::UnitSimulator sim(config);
        QString error;
        ASSERT_TRUE(sim.start(&error)) << error.toStdString();
        EXPECT_EQ(sim.linkPath(), link);
        EXPECT_EQ(QFileInfo(link).symLinkTarget(), sim.devicePath());
        sim.stop();
        EXPECT_FALSE(QFileInfo(link).isSymLink());
    }
    QFile other(link);
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    unitsim::UnitSimulator sim(config);
    QString error;
    EXPECT_FALSE(sim.start(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("already exists"))) << error.toStdString();
    EXPECT_TRUE(QFileInfo::exists(link));
}

} // namespace
