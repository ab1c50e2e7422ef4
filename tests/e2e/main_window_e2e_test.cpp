// The program as a user meets it: the real main window, serial component and
// event loop against the unit simulator on a pseudo-terminal. The protocol's own
// pauses and time-outs are real here, so these tests are few.
#include "e2e_rig.h"

#include "oscillo/oscillo_controller.h"
#include "oscillo/oscillo_form.h"
#include "protocol/registers.h"
#include "serial/com_select_form.h"
#include "values/cool_gauge.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>

namespace {

std::map<int, double> gaugeReadings() {
    std::map<int, double> out;
    for (int r = 1; r <= RegisterCount; ++r)
        if (auto* g = dynamic_cast<TjsCoolGauge*>(RegisterTable[r].Gauge))
            out[r] = g->reading();
    return out;
}

void pressEscape(QWidget* target) {
    QKeyEvent event(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

class MainWindowE2e : public ::testing::Test {
protected:
    E2eRig rig;
};

TEST_F(MainWindowE2e, FirstLaunchPicksThePortThenDetectsBothUnits) {
    ASSERT_TRUE(rig.startSimulator());
    TForm1& form = rig.form();
    bool sawDialog = false;
    bool detectBeforeDialog = true;
    QString listed;
    // The port dialog runs modally inside the launch: pick the simulator's entry.
    std::function<void()> pick = [&] {
        auto* dialog = qobject_cast<TComSelectForm*>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(20, pick);
            return;
        }
        sawDialog = true;
        detectBeforeDialog = form.Detect_form() != nullptr;
        const int index = dialog->ComChooce->findText(QString::number(E2eRig::Com));
        listed = dialog->ComChooce->model()->index(index, 1).data().toString();
        dialog->ComChooceSelect(index);
    };
    QTimer::singleShot(0, pick);
    form.FormCreate();
    form.show();

    EXPECT_TRUE(sawDialog);
    EXPECT_FALSE(detectBeforeDialog);
    EXPECT_EQ(listed.left(9), QStringLiteral("/dev/pts/"));
    EXPECT_TRUE(rig.reports.isEmpty()) << rig.reports.join('\n').toStdString();
    EXPECT_TRUE(rig.prompts.warnings.isEmpty()) << rig.prompts.warnings.join('\n').toStdString();
    EXPECT_EQ(form.engine().ModuleState[2].Present, 1);
    EXPECT_EQ(form.engine().ModuleState[3].Present, 1);
    EXPECT_EQ(form.engine().CurrentModule, 2);
    EXPECT_FALSE(form.cxLabel_NotActiveMod->isVisible());
    EXPECT_FALSE(form.Detect_form()->isVisible());
    EXPECT_TRUE(QFile::exists(QStringLiteral("Diagnostic Result.rtf")));

    EXPECT_TRUE(form.close());
    EXPECT_EQ(rig.storedPort(), QString::number(E2eRig::Com));
    EXPECT_FALSE(form.DurIveRada().isActive());
}

TEST_F(MainWindowE2e, StartStreamsStopSendsTheStopAndClosingMidStreamShutsDownCleanly) {
    ASSERT_TRUE(rig.startSimulator());
    rig.storePort(E2eRig::Com);
    TForm1& form = rig.form();
    form.FormCreate();
    form.show();
    ASSERT_EQ(form.engine().ModuleState[2].Present, 1);
    QAction* start = form.action(QStringLiteral("Start"));

    // First run: stopped with "&Stop" from inside the stream.
    std::map<int, double> early, late;
    QString captionDuring;
    QTimer::singleShot(600, [&] { early = gaugeReadings(); });
    QTimer::singleShot(1500, [&] {
        late = gaugeReadings();
        captionDuring = start->text();
        start->trigger();
    });
    start->trigger();
    EXPECT_EQ(captionDuring, QStringLiteral("&Stop"));
    EXPECT_EQ(start->text(), QStringLiteral("&Start"));
    EXPECT_EQ(form.engine().LinkState, ssIdle);
    ASSERT_FALSE(late.empty());
    int moved = 0;
    for (const auto& [row, value] : late)
        moved += early.count(row) && early[row] != value;
    EXPECT_GT(moved, 0);
    EXPECT_GT(rig.sim->framesSent(), 10u);
    EXPECT_GT(form.oscillo().window(2)->recording().pointCount(), 0u);
    ASSERT_TRUE(waitFor([&] { return rig.received().endsWith(char(0x30)); }, 5000));
    EXPECT_TRUE(rig.prompts.warnings.isEmpty()) << rig.prompts.warnings.join('\n').toStdString();

    // Escape asks; No keeps everything.
    rig.prompts.answers = {false};
    pressEscape(&form);
    EXPECT_EQ(rig.prompts.confirms, QStringList{QStringLiteral("Exit now?")});
    EXPECT_TRUE(form.isVisible());

    // Second run: the window is closed while the stream runs.
    const qsizetype before = rig.received().size();
    bool closeAccepted = true;
    QTimer::singleShot(800, [&] { closeAccepted = form.close(); });
    start->trigger();
    EXPECT_FALSE(closeAccepted); // deferred until the stream had returned
    ASSERT_TRUE(waitFor([&] { return rig.closedSignals == 1; }));
    const QByteArray tail = rig.received().mid(before);
    EXPECT_TRUE(tail.contains(char(0xF0)));
    EXPECT_TRUE(tail.endsWith(char(0x30)));
    EXPECT_FALSE(form.DurIveRada().isActive());
    EXPECT_EQ(rig.storedPort(), QString::number(E2eRig::Com));
    EXPECT_TRUE(rig.reports.isEmpty()) << rig.reports.join('\n').toStdString();
}

TEST_F(MainWindowE2e, NoUnitAnswering) {
    unitsim::SimConfig config = unitsim::SimConfig::defaults();
    config.ecu.present = false;
    config.at.present = false;
    ASSERT_TRUE(rig.startSimulator(config));
    rig.storePort(E2eRig::Com);
    TForm1& form = rig.form();
    form.FormCreate();
    form.show();
    ASSERT_TRUE(waitFor([&] { return form.clientHeight() == 30; }, 5000));
    EXPECT_EQ(rig.prompts.warnings.size(), 2);
    EXPECT_EQ(form.engine().ModuleState[2].Present, 0);
    EXPECT_EQ(form.engine().ModuleState[3].Present, 0);
    EXPECT_TRUE(form.cxLabel_NotActiveMod->isVisible());
    form.action(QStringLiteral("Start"))->trigger();
    EXPECT_EQ(rig.prompts.warnings.last(), QStringLiteral("ECU request is empty. Exit."));
}

} // namespace
