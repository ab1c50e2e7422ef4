// Fault-code reading over the real serial component, a pseudo-terminal and the unit
// simulator in fast mode.
#include "diagnosis/fault_reader.h"
#include "protocol/rtf_test_reader.h"
#include "support/gtest_qt.h"
#include "support/live_rig.h"

#include <QFile>

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
        ASSERT_TRUE(rig.home.isValid());
        reader = std::make_unique<FaultCodeReader>(*rig.engine, report, path);
        rig.engine->setFaults(reader.get());
    }
    void startSimulator(unitsim::SimConfig config) {
        config.fast = true;
        QString error;
        ASSERT_TRUE(rig.startSimulator(config, &error)) << error.toStdString();
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

    LiveRig rig{Com};
    QString path = rig.home.filePath(QStringLiteral("Diagnostic Result.rtf"));
    ColouredLines report;
    std::unique_ptr<FaultCodeReader> reader;
};

TEST_F(LiveFaults, StartUpReportsTheIdentificationAndTheStoredFaults) {
    unitsim::SimConfig config = unitsim::SimConfig::defaults();
    config.ecu.faults = {{0x21, 5}, {0xA3, 12}, {0x15, 1}};
    config.ecu.ident = QByteArray::fromHex("4142434445464748494A4B4C4D4E4F505152535455FF");
    config.at.faults = {{0x0A, 0x0B}};
    startSimulator(config);

    rig.engine->Initial();

    EXPECT_TRUE(rig.prompts.warnings.isEmpty()) << rig.prompts.warnings.join("|").toStdString();
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
    EXPECT_EQ(rig.engine->LinkState, ssIdle);

    QStringList texts;
    for (qsizetype i = 0; i < report.count(); ++i)
        texts << report.line(i).text;
    EXPECT_EQ(fileLines(), texts);
}

TEST_F(LiveFaults, ClearingThenReadingGivesNormalOperation) {
    unitsim::SimConfig config = unitsim::SimConfig::defaults();
    config.ecu.faults = {{0x43, 3}};
    startSimulator(config);
    rig.component.setActive(true);
    rig.engine->LinkState = ssBusy;
    ASSERT_TRUE(rig.engine->Set_Module(ModuleEcu));
    rig.engine->LinkState = ssIdle;

    reader->GetCUErrorsClick();
    reader->ClearCUErrorsClick();
    reader->GetCUErrorsClick();

    const QString normal = "#FF0000  5- 5: Normal operation        0" + Starts;
    EXPECT_EQ(body(),
              (QStringList{"#000080 heading ECU", Get,
                           "#FF0000  4- 3: Throttle position sensor (TPS)        3" + Starts,
                           "#000080 heading ECU", "#000080 Clear self-diagnoctic data...", normal,
                           "#000080 heading ECU", Get, normal}));
    EXPECT_TRUE(rig.prompts.warnings.isEmpty()) << rig.prompts.warnings.join("|").toStdString();
    EXPECT_EQ(fileLines().size(), 9);
    EXPECT_EQ(rig.engine->LinkState, ssIdle);
}

TEST_F(LiveFaults, PulledCableDuringTheReadingIsReported) {
    unitsim::SimConfig config = unitsim::SimConfig::defaults();
    config.hangupAfterSeconds = 0.5;
    startSimulator(config);
    rig.component.setActive(true);

    // No unit is selected, so nothing answers and the reading polls until the
    // cable goes.
    reader->GetCUErrorsClick();

    EXPECT_TRUE(rig.sim->hungUp());
    EXPECT_TRUE(rig.engine->portLost());
    const QStringList lines = body();
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines.at(lines.size() - 2).startsWith("#000080 Unit did not respond in tries:"))
        << lines.join("|").toStdString();
    EXPECT_EQ(lines.last(), PortLine);
    EXPECT_TRUE(rig.prompts.warnings.isEmpty());
    EXPECT_EQ(rig.engine->LinkState, ssIdle);
    EXPECT_EQ(fileLines().size(), lines.size());

    // A later reading on the lost port says so at once.
    reader->GetCUErrorsClick();
    EXPECT_EQ(body(lines.size()), (QStringList{"#000080 heading ECU", PortLine}));
}

} // namespace
