#include "fake_panel_link.h"

#include "protocol/registers.h"
#include "values/cool_gauge.h"
#include "values/hh_aled.h"
#include "values/indicator_panel.h"
#include "values/select_sensor_dlg.h"

#include <QApplication>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

QWidget* widgetOf(auto* control) {
    return dynamic_cast<QWidget*>(control);
}

// A click on an item's check box, as the user makes it.
void clickItem(TSelectSensorDlg* dlg, int index) {
    dlg->Select_List->setCurrentRow(index);
    QTest::keyClick(dlg->Select_List, Qt::Key_Space);
}

std::vector<bool> marks(const TSelectSensorDlg* dlg) {
    std::vector<bool> out;
    for (int i = 0; i < dlg->count(); ++i)
        out.push_back(dlg->isChecked(i));
    return out;
}

// Runs `user` once the modal dialog is up.
void whenShown(TSelectSensorDlg* dlg, std::function<void()> user) {
    QTimer::singleShot(0, dlg, [dlg, user] {
        ASSERT_TRUE(dlg->isVisible());
        user();
    });
}

TEST(SensorDialog, LayoutAndColours) {
    TSelectSensorDlg dlg(" ECU ");
    EXPECT_EQ(dlg.windowTitle(), "Sensors -  ECU ");
    EXPECT_EQ(dlg.size(), QSize(198, 299));
    EXPECT_EQ(dlg.palette().color(QPalette::Window), QColor(0xA6, 0xCA, 0xF0));
    EXPECT_EQ(dlg.Select_List->geometry(), QRect(0, 0, 199, 266));
    EXPECT_EQ(dlg.Select_List->palette().color(QPalette::Base), QColor(0xA6, 0xCA, 0xF0));
    EXPECT_EQ(dlg.OKBtn->text(), "OK");
    EXPECT_EQ(dlg.OKBtn->geometry(), QRect(13, 271, 75, 25));
    EXPECT_TRUE(dlg.OKBtn->isDefault());
    EXPECT_EQ(dlg.CancelBtn->text(), "Cancel");
    EXPECT_EQ(dlg.CancelBtn->geometry(), QRect(110, 271, 75, 25));
    dlg.addItem("one");
    EXPECT_EQ(dlg.Select_List->visualItemRect(dlg.Select_List->item(0)).height(), 13);
}

class SensorDialogTest : public ::testing::Test {
protected:
    SensorDialogTest() {
        for (const char* name : {"a", "b", "c"})
            dlg.addItem(name);
    }
    TSelectSensorDlg dlg{" ECU "};
};

TEST_F(SensorDialogTest, OkAppliesEvenWithoutAClick) {
    whenShown(&dlg, [this] {
        EXPECT_FALSE(dlg.Changed);
        dlg.OKBtn->click();
    });
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_TRUE(dlg.Changed);
}

TEST_F(SensorDialogTest, CancelAndEscPutTheMarksBack) {
    for (bool esc : {false, true}) {
        SCOPED_TRACE(esc ? "Esc" : "Cancel");
        dlg.setChecked(1, false);
        whenShown(&dlg, [this, esc] {
            clickItem(&dlg, 0);
            clickItem(&dlg, 1);
            clickItem(&dlg, 1); // checked then unchecked again
            EXPECT_TRUE(dlg.Changed);
            EXPECT_EQ(marks(&dlg), (std::vector<bool>{false, false, true}));
            if (esc)
                QTest::keyClick(&dlg, Qt::Key_Escape);
            else
                dlg.CancelBtn->click();
        });
        EXPECT_EQ(dlg.exec(), QDialog::Rejected);
        EXPECT_FALSE(dlg.Changed);
        EXPECT_EQ(marks(&dlg), (std::vector<bool>{true, false, true}));
        EXPECT_EQ(dlg.Select_List->item(2)->text(), "c");
    }
}

TEST_F(SensorDialogTest, CloseBoxKeepsClicksAsTheyAre) {
    whenShown(&dlg, [this] {
        clickItem(&dlg, 2);
        dlg.close();
    });
    dlg.exec();
    EXPECT_TRUE(dlg.Changed);
    EXPECT_EQ(marks(&dlg), (std::vector<bool>{true, true, false}));

    // Opening again starts unchanged.
    whenShown(&dlg, [this] {
        EXPECT_FALSE(dlg.Changed);
        dlg.close();
    });
    dlg.exec();
    EXPECT_FALSE(dlg.Changed);
}

// ---- the menu command on the catalogue

class SelectSensorsTest : public ::testing::Test {
protected:
    SelectSensorsTest() {
        ResetRegisterRuntime();
        client = new QWidget;
        main.setCentralWidget(client);
        main.resize(435, 200);
        panel = std::make_unique<IndicatorPanel>(link, client);
        panel->createModuleWindows(ModuleEcu);
    }
    ~SelectSensorsTest() override {
        panel.reset();
        ResetRegisterRuntime();
    }

    // What detection leaves: every supported row selected, listed and checked.
    void detect(std::initializer_list<int> unsupported = {}) {
        for (int r : unsupported)
            RegisterTable[r].Unsupported = true;
        panel->clearSensorList(ModuleEcu);
        for (int r = 1; r <= 48; ++r) {
            TMopaProtocol& row = RegisterTable[r];
            if (row.Unsupported)
                continue;
            row.Selected = true;
            if (row.Kind != 2)
                row.ListIndex = panel->addSensor(ModuleEcu, row.Name);
        }
        panel->Show_Indicators();
        link.calls.clear();
    }
    TSelectSensorDlg* dialog() const { return panel->SensorDialog(ModuleEcu); }
    int indexOf(const char* name) const {
        const auto items = dialog()->Select_List->findItems(name, Qt::MatchExactly);
        return items.size() == 1 ? dialog()->Select_List->row(items[0]) : -1;
    }
    // Opens the dialog through the menu command; user acts, then OK.
    void choose(std::function<void()> user) {
        whenShown(dialog(), [this, user] {
            user();
            dialog()->OKBtn->click();
        });
        panel->Select_sensorsClick();
    }
    std::vector<int> selectedRows() const {
        std::vector<int> rows;
        for (int r = 1; r <= 48; ++r)
            if (RegisterTable[r].Selected)
                rows.push_back(r);
        return rows;
    }

    FakePanelLink link;
    QMainWindow main;
    QWidget* client = nullptr;
    std::unique_ptr<IndicatorPanel> panel;
};

TEST_F(SelectSensorsTest, ListHoldsTheSupportedShownRowsChecked) {
    detect({5, 6, 33, 34, 35, 36, 37, 38}); // MAF left pair and group 1E refused
    EXPECT_EQ(dialog()->count(), 38 - 1 - 5);
    EXPECT_EQ(dialog()->Select_List->item(0)->text(), "CAS position - RPMx1000");
    EXPECT_EQ(RegisterTable[2].ListIndex, 0);
    EXPECT_EQ(indexOf("MAF voltage"), -1);
    EXPECT_EQ(indexOf("Group 13"), -1);
    EXPECT_TRUE(dialog()->isChecked(RegisterTable[48].ListIndex));

    // A new detection starts the list from empty; refused rows stay refused.
    detect();
    EXPECT_EQ(dialog()->count(), 32);
    EXPECT_EQ(RegisterTable[48].ListIndex, 31);
}

TEST_F(SelectSensorsTest, UncheckingAWordValueDeselectsItsHighByte) {
    detect();
    choose([this] { clickItem(dialog(), indexOf("CAS position - RPMx1000")); });
    EXPECT_FALSE(RegisterTable[1].Selected);
    EXPECT_FALSE(RegisterTable[2].Selected);
    EXPECT_TRUE(RegisterTable[3].Selected && RegisterTable[4].Selected);
    EXPECT_EQ(link.calls.back(), "Set_Packets");
    EXPECT_TRUE(widgetOf(RegisterTable[2].Gauge)->isHidden());

    choose([this] { clickItem(dialog(), indexOf("CAS position - RPMx1000")); });
    EXPECT_TRUE(RegisterTable[1].Selected && RegisterTable[2].Selected);
}

TEST_F(SelectSensorsTest, OneBitSelectsItsGroupAndNothingElse) {
    detect();
    choose([this] {
        for (int i = 0; i < dialog()->count(); ++i)
            if (dialog()->Select_List->item(i)->text() != "Start Signal (Cranking)")
                clickItem(dialog(), i);
    });
    EXPECT_EQ(selectedRows(), (std::vector<int>{19, 21}));
    int lamps = 0, gauges = 0;
    for (auto* w : panel->ModuleBox(ModuleEcu)->findChildren<ThhALed*>())
        lamps += w->isHidden() ? 0 : 1;
    for (auto* w : panel->ModuleBox(ModuleEcu)->findChildren<TjsCoolGauge*>())
        gauges += w->isHidden() ? 0 : 1;
    EXPECT_EQ(lamps, 1);
    EXPECT_EQ(gauges, 0);
    EXPECT_EQ(widgetOf(RegisterTable[21].Lamp)->y(), 16);
}

TEST_F(SelectSensorsTest, GroupIsDroppedWithItsLastBit) {
    detect();
    choose([this] {
        for (const char* bit :
             {"Aircon Relay", "Fuelpump Relay", "VTC Sol", "Coolant Fan (Hi)", "Coolant Fan (Lo)"})
            clickItem(dialog(), indexOf(bit));
    });
    EXPECT_FALSE(RegisterTable[33].Selected);
    EXPECT_TRUE(RegisterTable[19].Selected && RegisterTable[39].Selected &&
                RegisterTable[44].Selected);
}

TEST_F(SelectSensorsTest, UnsupportedRowsStayUnselected) {
    detect({5, 44, 45, 46});
    choose([] {});
    EXPECT_FALSE(RegisterTable[5].Selected); // refused high byte of a listed value
    EXPECT_TRUE(RegisterTable[6].Selected);
    for (int r : {44, 45, 46})
        EXPECT_FALSE(RegisterTable[r].Selected);
    EXPECT_EQ(selectedRows().size(), 48u - 4u);
}

TEST_F(SelectSensorsTest, StreamIsStoppedFirstAndNotResumed) {
    detect();
    link.isStreaming = true;
    whenShown(dialog(), [this] {
        link.calls.push_back("dialog");
        dialog()->OKBtn->click();
    });
    panel->Select_sensorsClick();
    // Stop, dialog, the panel rebuilt row by row, then the request.
    ASSERT_EQ(link.calls.size(), 2u + 48u + 1u);
    EXPECT_EQ(link.calls[0], "StopDiag");
    EXPECT_EQ(link.calls[1], "dialog");
    EXPECT_EQ(std::count(link.calls.begin(), link.calls.end(), "pump"), 48);
    EXPECT_EQ(link.calls.back(), "Set_Packets");
    EXPECT_FALSE(link.isStreaming);
    EXPECT_FALSE(dialog()->Changed);
}

TEST_F(SelectSensorsTest, CancelChangesNothing) {
    detect();
    whenShown(dialog(), [this] {
        clickItem(dialog(), 0);
        dialog()->CancelBtn->click();
    });
    panel->Select_sensorsClick();
    EXPECT_TRUE(link.calls.empty());
    EXPECT_EQ(selectedRows().size(), 48u);
    EXPECT_TRUE(dialog()->isChecked(0));
}

} // namespace
