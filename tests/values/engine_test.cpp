#include "support/link_rig.h"

#include "protocol/registers.h"
#include "values/cool_gauge.h"
#include "values/engine_converters.h"
#include "values/engine_panel_link.h"
#include "values/hh_aled.h"
#include "values/indicator_panel.h"
#include "values/select_sensor_dlg.h"

#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>

namespace {

// The link engine on fakes, with the real converters, panel and sensor dialogs.
class ValuesOnEngine : public ::testing::Test {
protected:
    ValuesOnEngine() {
        main.setCentralWidget(client);
        main.resize(435, 200);
        panel.createModuleWindows(ModuleEcu);
        panel.createModuleWindows(ModuleAt);
        rig.engine.setConverters(&converters);
        rig.engine.setIndicators(&panel);
        // Bytes of a warm engine: 4000 rpm, 90 C, 14 V, switches 0x01 and 0x04 on.
        rig.unit.value = [this](std::uint8_t addr, int) {
            const auto it = bytes.find(addr);
            return it == bytes.end() ? std::uint8_t(0) : it->second;
        };
    }
    ~ValuesOnEngine() override { ResetRegisterRuntime(); }

    TjsCoolGauge* gauge(int row) const {
        return dynamic_cast<TjsCoolGauge*>(RegisterTable[row].Gauge);
    }
    ThhALed* lamp(int row) const { return dynamic_cast<ThhALed*>(RegisterTable[row].Lamp); }
    void streamFor(int ms) {
        rig.pump.after(ms, [this] { rig.engine.StopDiag(); });
        rig.engine.StartDiag();
    }

    std::map<std::uint8_t, std::uint8_t> bytes{{0x00, 0x01}, {0x01, 0x40}, {0x08, 0x8C},
                                               {0x0C, 0xAF}, {0x13, 0x05}, {0x16, 0x5A}};
    LinkRig rig;
    QMainWindow main;
    QWidget* client = new QWidget; // owned by main
    EnginePanelLink link{rig.engine};
    IndicatorPanel panel{link, client};
    EngineConverters converters{rig.engine};
};

TEST_F(ValuesOnEngine, StartUpBuildsBothPanelsAndSensorLists) {
    rig.engine.Initial();
    EXPECT_EQ(rig.engine.CurrentModule, ModuleEcu);
    EXPECT_EQ(rig.engine.ModuleState[ModuleEcu].ClientHeight, 399);
    EXPECT_EQ(rig.engine.ModuleState[ModuleAt].ClientHeight, 360);
    EXPECT_EQ(panel.SensorDialog(ModuleEcu)->count(), 38);
    EXPECT_EQ(panel.SensorDialog(ModuleAt)->count(), 31);
    EXPECT_EQ(panel.SensorDialog(ModuleAt)->windowTitle(), "Sensors -  AT ");
    EXPECT_EQ(panel.SensorDialog(ModuleEcu)->Select_List->item(RegisterTable[20].ListIndex)->text(),
              "Closed/Open THL pos");
}

TEST_F(ValuesOnEngine, StreamMovesGaugesAndLamps) {
    rig.engine.Initial();
    streamFor(500);
    EXPECT_GT(rig.unit.framesSent(), 3);
    EXPECT_EQ(gauge(2)->reading(), 4.0);
    EXPECT_EQ(gauge(9)->reading(), 90.0);
    EXPECT_EQ(gauge(13)->reading(), double(14.0f));
    EXPECT_EQ(gauge(27)->reading(), 20.0);
    EXPECT_TRUE(lamp(20)->isOn());
    EXPECT_FALSE(lamp(21)->isOn());
    EXPECT_TRUE(lamp(22)->isOn());
}

TEST_F(ValuesOnEngine, OverRangeValuesAreLoggedThroughTheEngine) {
    rig.engine.Initial();
    rig.menu.set(MenuState::Collect_overmax, true);
    bytes[0x08] = 0x00; // coolant -50 C
    const qsizetype before = rig.log.count();
    streamFor(120);
    const QStringList lines = rig.logLines(before);
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], ">> i ->       9");
    EXPECT_EQ(lines[1], ">> Received ->       0");
    EXPECT_EQ(lines[2], ">> Converted ->  -50.00");
    EXPECT_EQ(gauge(9)->reading(), 0.0); // the gauge ignores it
}

TEST_F(ValuesOnEngine, SensorSelectionDuringAStreamStopsItAndRebuildsTheRequest) {
    rig.engine.Initial();
    const int before = rig.engine.CalcLength[ModuleEcu];
    TSelectSensorDlg* dlg = panel.SensorDialog(ModuleEcu);
    rig.pump.after(200, [this, dlg] {
        QTimer::singleShot(0, dlg, [dlg] {
            dlg->Select_List->setCurrentRow(RegisterTable[2].ListIndex);
            QTest::keyClick(dlg->Select_List, Qt::Key_Space);
            dlg->OKBtn->click();
        });
        panel.Select_sensorsClick();
    });
    rig.engine.StartDiag(); // ends once the selection has asked it to stop
    EXPECT_EQ(rig.engine.LinkState, ssIdle);
    EXPECT_FALSE(rig.unit.streaming());
    EXPECT_FALSE(RegisterTable[1].Selected || RegisterTable[2].Selected);
    EXPECT_EQ(rig.engine.CalcLength[ModuleEcu], before - 2);
    EXPECT_FALSE(rig.engine.ModulePackets[ModuleEcu].Request.contains(QByteArray("\x5A\x01", 2)));
    EXPECT_TRUE(gauge(2)->isHidden());
}

} // namespace
