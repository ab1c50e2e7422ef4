// Fault-code reading over the real serial component, a pseudo-terminal and the unit
// simulator in fast mode.
#include "diagnosis/fault_reader.h"
#include "link/link_engine.h"
#include "link/qt_event_pump.h"
#include "link/serial_link_port.h"
#include "protocol/active_tests.h"
#include "protocol/registers.h"
#include "protocol/rtf_test_reader.h"
#include "serial/dore_dor_iror.h"
#include "serial/port_names.h"
#include "support/fake_prompts.h"
#include "support/gtest_qt.h"
#include "unitsim/unit_simulator.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int Com = 118;
const QString Starts = QStringLiteral(" engine starts passed.");
const QString Get = QStringLiteral("#000080 Get self-diagnoctic data...");
const QString PortLine =
    QStringLiteral("#FF0000 Com-port is not responding. Set correct port and make Reconnect.");

class LiveFaults : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
        ResetRegisterRuntime();
        ResetActiveRuntime();
        LinkEngine::Seams s;
        s.pump = &pump;
        s.port = &port;
        s.prompts = &prompts;
        s.log = &log;
        s.menu = &menu;
        engine = std::make_unique<LinkEngine>(s);
        port.bind(*engine);
        component.setPort(Com);
        reader = std::make_unique<FaultCodeReader>(*engine, report, path);
        engine->setFaults(reader.get());
    }
    void TearDown() override {
        port.unbind();
        if (component.Active())
            component.setActive(false);
        if (sim)
            sim->stop();
    }
    void startSimulator(unitsim::SimConfig config) {
        config.com = Com;
        config.portsDir = ZvConfigDir() + QStringLiteral("/ports");
        config.fast = true;
        sim = std::make_unique<unitsim::UnitSimulator>(config);
        QString error;
        ASSERT_TRUE(sim->start(&error)) << error.toStdString();
    }

    // "#RRGGBB text" per report line from line first on; headings as "#000080 heading".
    QStringList body(qsizetype first = 0) const {
        QStringList out;
        for (qsizetype i = first; i < report.count(); ++i) {
            QString text = report.line(i).text;
            if (text.contains(QStringLiteral(".20")) && text.contains(QLatin1Char(':')) &&
                text.startsWith(QLatin1Char(' ')) && !text.contains(QLatin1Char('-')))
                text = QStringLiteral("heading") + text.section(QLatin1Char(' '), 0, 1);
            out << QStringLiteral("#%1 ")
                           .arg(report.line(i).colour, 6, 16, QLatin1Char('0'))
                           .toUpper() +
                       text;
        }
        return out;
    }
    QStringList fileLines() const {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {QStringLiteral("no file")};
        const RtfTestDocument doc = readTestRtf(f.readAll());
        if (!doc.error.isEmpty())
            return {doc.error};
        QStringList out;
        for (const RtfTestLine& l : doc.lines)
            out << l.text;
        return out;
    }

    QTemporaryDir home;
    QString path = home.filePath(QStringLiteral("Diagnostic Result.rtf"));
    std::unique_ptr<unitsim::UnitSimulator> sim;
    DOreDorIror component;
    SerialLinkPort port{component};
    QtEventPump pump;
    FakePrompts prompts;
    DebugLog log;
    MenuState menu;
    ColouredLines report;
    std::unique_ptr<LinkEngine> engine;
    std::unique_ptr<FaultCodeReader> reader;
};

TEST_F(LiveFaults, StartUpReportsTheIdentificationAndTheStoredFaults) {
    unitsim::SimConfig config = unitsim::SimConfig::defaults();
    config.ecu.faults = {{0x21, 5}, {0xA3, 12}, {0x15, 1}};
    config.ecu.ident = QByteArray::fromHex("4142434445464748494A4B4C4D4E4F505152535455FF");
    config.at.faults = {{0x0A, 0x0B}};
    startSimulator(config);

    engine->Initial();

    EXPECT_TRUE(prompts.warnings.isEmpty()) << prompts.warnings.join("|").toStdString();
    const QStringList expected{
        "#000080 heading ECU",
        "#008000 ECU info: 4142434445464748494A4B4C4D4E4F505152535455FF",
        "#000080 heading ECU",
        Get,
        "#FF0000  2- 1: Ignition signal        5" + Starts,
        "#FF0000 10- 3: Park / neutral switch malfunction       12" + Starts,
        "#FF0000  1- 5: Unknown error has happened        1" + Starts,
        "#000080 heading AT",
        Get,
        "#000080   10: Unknown error.",
        "#000080   11: Unknown error.",
    };
    EXPECT_EQ(body(), expected);
    EXPECT_EQ(engine->LinkState, ssIdle);

    QStringList texts;
    for (qsizetype i = 0; i < report.count(); ++i)
        texts << report.line(i).text;
    EXPECT_EQ(fileLines(), texts);
}

TEST_F(LiveFaults, ClearingThenReadingGivesNormalOperation) {
    unitsim::SimConfig config = unitsim::SimConfig::defaults();
    config.ecu.faults = {{0x43, 3}};
    startSimulator(config);
    component.setActive(true);
    engine->LinkState = ssBusy;
    ASSERT_TRUE(engine->Set_Module(ModuleEcu));
    engine->LinkState = ssIdle;

    reader->GetCUErrorsClick();
    reader->ClearCUErrorsClick();
    reader->GetCUErrorsClick();

    const QString normal = "#FF0000  5- 5: Normal operation        0" + Starts;
    EXPECT_EQ(body(),
              (QStringList{"#000080 heading ECU", Get,
                           "#FF0000  4- 3: Throttle position sensor (TPS)        3" + Starts,
                           "#000080 heading ECU", "#000080 Clear self-diagnoctic data...", normal,
                           "#000080 heading ECU", Get, normal}));
    EXPECT_TRUE(prompts.warnings.isEmpty()) << prompts.warnings.join("|").toStdString();
    EXPECT_EQ(fileLines().size(), 9);
    EXPECT_EQ(engine->LinkState, ssIdle);
}

TEST_F(LiveFaults, PulledCableDuringTheReadingIsReported) {
    unitsim::SimConfig config = unitsim::SimConfig::defaults();
    config.hangupAfterSeconds = 0.5;
    startSimulator(config);
    component.setActive(true);

    // No unit is selected, so nothing answers and the reading polls until the
    // cable goes.
    reader->GetCUErrorsClick();

    EXPECT_TRUE(sim->hungUp());
    EXPECT_TRUE(engine->portLost());
    const QStringList lines = body();
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines.at(lines.size() - 2).startsWith("#000080 Unit did not respond in tries:"))
        << lines.join("|").toStdString();
    EXPECT_EQ(lines.last(), PortLine);
    EXPECT_TRUE(prompts.warnings.isEmpty());
    EXPECT_EQ(engine->LinkState, ssIdle);
    EXPECT_EQ(fileLines().size(), lines.size());

    // A later reading on the lost port says so at once.
    reader->GetCUErrorsClick();
    EXPECT_EQ(body(lines.size()), (QStringList{"#000080 heading ECU", PortLine}));
}

} // namespace
