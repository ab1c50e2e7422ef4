#include "oscillo/oscillo_controller.h"
#include "oscillo/oscillo_form.h"
#include "protocol/commands.h"
#include "shell/com_main_form.h"
#include "shell/settings_store.h"
#include "shell_rig.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

namespace {

const QString ReportFile = QStringLiteral("Diagnostic Result.rtf");

void pressEscape(QWidget* target) {
    QKeyEvent event(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

// ---- the menu as a table

enum : unsigned {
    Bar = 1,
    Sub = 2,
    Checkable = 4,
    Checked = 8,
    Disabled = 16,
    Hidden = 32,
    Bold = 64,
    Separator = 128,
    Coming = 256
};

struct Entry {
    const char* name;
    const char* caption;
    const char* hint;
    unsigned flags;
};

const Entry MenuTable[] = {
    {"File1", "&File", "", Bar | Sub},
    {"SaveOscillogramm1", "Save Oscillogram", "Записать текущую осциллогамму", Coming},
    {"LoadOscillogram1", "Load Oscillogram", "Загрузить осциллогамму с диска", Coming},
    {"Save_debug", "Save debug info", "Записать отладочную информацию в файл", 0},
    {"Start", "&Start", "Запустить диагностику", Bar | Bold},
    {"Mode1", "&Mode ECU", "Выбрать модуль для диагностики", Bar | Sub},
    {"ECU1", "&1   ECU", "Диагностика блока управления двигателя", Checkable},
    {"AT1", "&2   AT", "Диагностика блока управления авт. трансмиссии", Checkable},
    {"AIRCON1", "&3   AIRCON", "Диагностика блока управления климат-контроля",
     Checkable | Disabled},
    {"ActiveTests1", "&Active Tests", "Открыть активные тесты", Bar | Coming},
    {"Commands1", "Commands", "Дополнительные команды", Bar | Sub},
    {"GetCUErrors", "Get self-diagnostic errors", "Показать ошибки по результатам самодиагностики",
     0},
    {"ClearCUErrors", "Clear self-diagnostic errors", "Стереть коды самодиагностики", 0},
    {"View", "&View", "", Bar | Sub},
    {"Select_sensors", "&Select sensors to view", "Выбор датчиков для просмотра", 0},
    {"Collect_oscillo", "&Collect data into oscillogram", "Включить запись данных в осциллограммы",
     Checkable | Checked},
    {"Show_i", "&Indicate data on gauge", "Показать индикаторы", Checkable | Checked},
    {"Show_oscillogram", "&Display oscillogram", "Показать осциллограмму", Checkable},
    {"N1", "", "", Separator},
    {"ClearAlloscillogram", "Clear &oscillogram data", "Стереть все данные из осциллограммы", 0},
    {"Show_debug", "Show debug info", "Показать окно с отладочной информацией", Checkable | Hidden},
    {"Settings", "Se&ttings", "Настройка", Bar | Sub},
    {"Communication", "&Set com-port", "Выбор сом-порта", 0},
    {"Reconnect1", "&Reconnect", "Выполнить повторное подключение к ECU и инициализацию", 0},
    {"Osc_saveandclear", "&Oscillogram autosave and clear",
     "Автоматическое сохранение сохранение и очистка осциллогаммы", Checkable | Coming},
    {"Packed_record", "&Packed Oscillogram record", "Использовать упакованный формат данных",
     Checkable},
    {"Noise_filter", "&Noise filter", "Фильтр помех", Disabled},
    {"Collect_overmax", "&Collect over-max packets", "Записывать аномальные пакеты в лог",
     Checkable},
    {"Collect_debug", "Collect debug info", "Включить запись отладочной информации", Checkable},
    {"Scan_unknown_sensors", "Scan for unknown sensors",
     "Сканировать на наличие расширений в Mopa-протоколе", Coming},
    {"About", "A&bout", "О программе", Bar},
};

class MainForm : public ::testing::Test {
protected:
    ShellRig rig;
    TForm1& form = rig.form();

    // Launch: settings, start-up, then the window shows.
    void launch() {
        form.FormCreate();
        form.show();
        QCoreApplication::processEvents();
    }
    bool on(MenuState::Item item) { return form.menuState().isOn(item); }
};

TEST_F(MainForm, MenuInOrderWithCaptionsHintsAndInitialStates) {
    const QList<QAction*>& actions = form.mainMenu().ordered;
    ASSERT_EQ(actions.size(), qsizetype(std::size(MenuTable)));
    const QList<QAction*> bar = form.menuBar()->actions();
    for (qsizetype i = 0; i < actions.size(); ++i) {
        const Entry& e = MenuTable[i];
        QAction* a = actions[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(a->objectName(), QLatin1String(e.name));
        EXPECT_EQ(a->isSeparator(), bool(e.flags & Separator));
        if (e.flags & Separator)
            continue;
        EXPECT_EQ(a->text(), QString::fromUtf8(e.caption));
        EXPECT_EQ(a->statusTip(), QString::fromUtf8(e.hint));
        EXPECT_EQ(bar.contains(a), bool(e.flags & Bar));
        EXPECT_EQ(a->menu() != nullptr, bool(e.flags & Sub));
        EXPECT_EQ(a->isCheckable(), bool(e.flags & Checkable));
        EXPECT_EQ(a->isChecked(), bool(e.flags & Checked));
        EXPECT_EQ(a->isEnabled(),
                  !(e.flags & (Disabled | Coming | Hidden))); // hidden: disabled too
        EXPECT_EQ(a->isVisible(), !(e.flags & Hidden));
        EXPECT_EQ(a->font().bold(), bool(e.flags & Bold));
        // Only the notes of what is not built yet are tooltips.
        EXPECT_EQ(form.mainMenu().isComing(QLatin1String(e.name)), bool(e.flags & Coming));
        if (e.flags & Coming) {
            EXPECT_TRUE(a->toolTip().startsWith(QStringLiteral("Coming in a later version")));
        }
    }
}

TEST_F(MainForm, WindowAsLaunched) {
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Zedo Vudera v1.0.0.16"));
    EXPECT_EQ(form.width(), 435);
    EXPECT_EQ(form.maximumWidth(), 435);
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    EXPECT_EQ(form.windowIcon().availableSizes().value(0), QSize(256, 256));
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(0xA6, 0xCA, 0xF0));
    QLabel* label = form.cxLabel_NotActiveMod;
    EXPECT_EQ(label->text(), QStringLiteral("This module is not active. Check connection."));
    EXPECT_EQ(label->toolTip(),
              QStringLiteral("Активные модули не обнаружены. Проверьте соединение."));
    EXPECT_EQ(label->font().pixelSize(), 21);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0xFF, 0x00, 0x00));
    EXPECT_TRUE(label->isVisibleTo(&form));
    form.show();
    form.resize(600, form.height());
    QCoreApplication::processEvents();
    EXPECT_EQ(form.width(), 435);
    EXPECT_EQ(label->geometry(), form.centralWidget()->rect());
    EXPECT_EQ(form.engine().LinkState, ssScanning);
}

TEST_F(MainForm, MenuMarksFollowTheMenuStateBothWays) {
    form.action(QStringLiteral("Packed_record"))->trigger();
    EXPECT_TRUE(on(MenuState::Packed_record));
    form.action(QStringLiteral("Show_i"))->trigger();
    EXPECT_FALSE(on(MenuState::Show_i));
    form.menuState().set(MenuState::Collect_overmax, true);
    EXPECT_TRUE(form.action(QStringLiteral("Collect_overmax"))->isChecked());

    form.action(QStringLiteral("Collect_debug"))->trigger();
    EXPECT_TRUE(form.debugLog().collecting());
    EXPECT_TRUE(form.action(QStringLiteral("Collect_debug"))->isChecked());
    form.action(QStringLiteral("Collect_debug"))->trigger();
    EXPECT_FALSE(form.debugLog().collecting());
    EXPECT_FALSE(form.action(QStringLiteral("Collect_debug"))->isChecked());

    form.menuState().setStartCaption(QStringLiteral("&Stop"));
    EXPECT_EQ(form.action(QStringLiteral("Start"))->text(), QStringLiteral("&Stop"));
    form.menuState().set(MenuState::StartEnabled, false);
    EXPECT_FALSE(form.action(QStringLiteral("Start"))->isEnabled());
    // What is not built stays disabled whatever the engine says.
    form.menuState().set(MenuState::ActiveTestsEnabled, true);
    EXPECT_FALSE(form.action(QStringLiteral("ActiveTests1"))->isEnabled());
}

TEST_F(MainForm, StartUpFindsBothUnitsAndModeSelectionMovesTheMarks) {
    rig.storePort(QStringLiteral("5"));
    launch();
    EXPECT_TRUE(rig.events.isEmpty()); // a stored port: no dialog
    EXPECT_EQ(form.Port(), 5);
    EXPECT_TRUE(rig.reports.isEmpty()) << rig.reports.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(rig.prompts.warnings.isEmpty());
    EXPECT_EQ(form.engine().ModuleState[2].Present, 1);
    EXPECT_EQ(form.engine().ModuleState[3].Present, 1);
    EXPECT_EQ(form.engine().CurrentModule, 2);
    EXPECT_FALSE(form.cxLabel_NotActiveMod->isVisible());
    EXPECT_FALSE(form.Detect_form()->isVisible());
    EXPECT_TRUE(form.action(QStringLiteral("ECU1"))->isChecked());
    EXPECT_GT(form.clientHeight(), 30);
    EXPECT_TRUE(form.CU_Error()->isVisible()); // the fault codes were read

    form.action(QStringLiteral("AT1"))->trigger();
    EXPECT_EQ(form.engine().CurrentModule, 3);
    EXPECT_TRUE(form.action(QStringLiteral("AT1"))->isChecked());
    EXPECT_FALSE(form.action(QStringLiteral("ECU1"))->isChecked());
    EXPECT_EQ(form.mainMenu().submenu(QStringLiteral("Mode1"))->title(),
              QStringLiteral("&Mode AT"));
    // Clicking the checked entry does not take its mark away.
    form.action(QStringLiteral("AT1"))->trigger();
    EXPECT_TRUE(form.action(QStringLiteral("AT1"))->isChecked());
}

TEST_F(MainForm, StreamRecordsIntoTheModulesOscillogram) {
    rig.storePort(QStringLiteral("5"));
    launch();
    TFormOscillo* ecu = form.oscillo().window(2);
    ASSERT_NE(ecu, nullptr);
    EXPECT_EQ(ecu->windowTitle(), QStringLiteral("Oscillogramm - ") + Module(2).ShortName);
    rig.pump.after(1000, [&] { form.action(QStringLiteral("Start"))->trigger(); });
    form.action(QStringLiteral("Start"))->trigger();
    EXPECT_GT(ecu->recording().pointCount(), 0u);

    form.action(QStringLiteral("Show_oscillogram"))->trigger();
    EXPECT_TRUE(ecu->isVisible());
    EXPECT_TRUE(on(MenuState::Show_oscillogram));
    EXPECT_FALSE(on(MenuState::Show_i));
    form.action(QStringLiteral("Show_oscillogram"))->trigger(); // stays checked
    EXPECT_TRUE(form.action(QStringLiteral("Show_oscillogram"))->isChecked());

    form.action(QStringLiteral("ClearAlloscillogram"))->trigger();
    EXPECT_EQ(ecu->recording().pointCount(), 0u);
    EXPECT_TRUE(rig.reports.isEmpty());
}

TEST_F(MainForm, NothingConnected) {
    rig.unit.silent = true;
    rig.storePort(QStringLiteral("5"));
    launch();
    ASSERT_EQ(rig.prompts.warnings.size(), 2);
    for (const QString& w : rig.prompts.warnings)
        EXPECT_TRUE(w.startsWith(QStringLiteral("ECU did not respond for "))) << w.toStdString();
    EXPECT_EQ(form.engine().ModuleState[2].Present, 0);
    EXPECT_EQ(form.engine().ModuleState[3].Present, 0);
    EXPECT_EQ(form.clientHeight(), 30);
    EXPECT_TRUE(form.cxLabel_NotActiveMod->isVisible());
    EXPECT_FALSE(form.action(QStringLiteral("Commands1"))->isEnabled());
    EXPECT_FALSE(form.action(QStringLiteral("View"))->isEnabled());

    form.action(QStringLiteral("Start"))->trigger();
    EXPECT_EQ(rig.prompts.warnings.last(), QStringLiteral("ECU request is empty. Exit."));
    EXPECT_TRUE(rig.reports.isEmpty());
}

TEST_F(MainForm, FirstLaunchAsksForThePortBeforeDetecting) {
    bool detectBefore = true;
    rig.choosePort = [&] {
        detectBefore = form.Detect_form() != nullptr;
        form.setPort(3);
    };
    launch();
    EXPECT_EQ(rig.events, QStringList{QStringLiteral("port dialog")});
    EXPECT_FALSE(detectBefore);
    EXPECT_EQ(rig.link.opens(), 1);
    EXPECT_EQ(form.engine().ModuleState[2].Present, 1);
    form.close();
    EXPECT_EQ(rig.storedPort(), QStringLiteral("3"));
}

TEST_F(MainForm, BrokenSettingSkipsDialogAndStartUp) {
    rig.storePort(QStringLiteral("COM3"));
    launch();
    EXPECT_EQ(rig.reports, QStringList{QStringLiteral("Failed to load settings.")});
    EXPECT_TRUE(rig.events.isEmpty());
    EXPECT_EQ(rig.link.opens(), 0);
    EXPECT_TRUE(form.cxLabel_NotActiveMod->isVisible());
    EXPECT_TRUE(form.isVisible());
    // Before any start-up Escape only ends the (notional) scan.
    pressEscape(&form);
    EXPECT_TRUE(rig.prompts.confirms.isEmpty());
    EXPECT_EQ(form.engine().LinkState, ssIdle);
    // Closing writes no report: no start-up, nothing to report.
    form.close();
    EXPECT_EQ(rig.closedSignals, 1);
    EXPECT_FALSE(QFile::exists(ReportFile));
}

TEST_F(MainForm, EscapeAsksExitNow) {
    rig.storePort(QStringLiteral("5"));
    launch();
    rig.prompts.answers = {false, true};
    pressEscape(&form);
    EXPECT_EQ(rig.prompts.confirms, QStringList{QStringLiteral("Exit now?")});
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(rig.closedSignals, 0);
    EXPECT_TRUE(rig.link.isActive());

    pressEscape(&form);
    EXPECT_EQ(rig.closedSignals, 1);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(rig.link.isActive());
    EXPECT_EQ(rig.storedPort(), QStringLiteral("5"));
    EXPECT_TRUE(QFile::exists(ReportFile));
}

TEST_F(MainForm, ACloseThatCannotStoreKeepsTheWindowOpen) {
    rig.storePort(QStringLiteral("5"));
    launch();
    ASSERT_TRUE(QFile::remove(rig.iniPath()));
    ASSERT_TRUE(QDir().mkdir(rig.iniPath()));
    EXPECT_FALSE(form.close());
    EXPECT_EQ(rig.reports, QStringList{QStringLiteral("Failed to store settings.")});
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(rig.link.isActive());
    EXPECT_EQ(rig.closedSignals, 0);

    ASSERT_TRUE(QDir().rmdir(rig.iniPath()));
    EXPECT_TRUE(form.close());
    EXPECT_EQ(rig.closedSignals, 1);
    EXPECT_EQ(rig.storedPort(), QStringLiteral("5"));
}

TEST_F(MainForm, ClosingWhileStreamingStopsTheStreamThenCloses) {
    rig.storePort(QStringLiteral("5"));
    launch();
    const int stopsBefore = rig.unit.stops();
    bool closeReturned = true;
    rig.pump.after(500, [&] {
        EXPECT_EQ(form.engine().LinkState, ssStreaming);
        closeReturned = form.close();
    });
    form.action(QStringLiteral("Start"))->trigger();
    // The close waited for the stream: the unit was told to stop, the port is
    // still open and nothing is stored yet.
    EXPECT_FALSE(closeReturned);
    EXPECT_GT(rig.unit.framesSent(), 3);
    EXPECT_EQ(rig.unit.stops(), stopsBefore + 1);
    EXPECT_FALSE(rig.unit.streaming());
    EXPECT_EQ(rig.closedSignals, 0);

    QCoreApplication::processEvents(); // the close asked for again
    EXPECT_EQ(rig.closedSignals, 1);
    EXPECT_FALSE(rig.link.isActive());
    EXPECT_EQ(rig.storedPort(), QStringLiteral("5"));
    EXPECT_TRUE(QFile::exists(ReportFile));
    EXPECT_TRUE(rig.reports.isEmpty());
}

TEST_F(MainForm, ReconnectHidesTheWindowWhileStartUpRunsAlsoOnError) {
    rig.storePort(QStringLiteral("5"));
    launch();
    bool visibleDuring = true;
    rig.unit.intercept = [&](std::uint8_t) {
        visibleDuring = visibleDuring && form.isVisible();
        return false;
    };
    form.action(QStringLiteral("Reconnect1"))->trigger();
    EXPECT_FALSE(visibleDuring);
    EXPECT_TRUE(form.isVisible());

    // A port that cannot be opened: the warning, then the port's error.
    rig.link.setActive(false);
    rig.link.openable = false;
    form.action(QStringLiteral("Reconnect1"))->trigger();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(rig.prompts.warnings.first(),
              QStringLiteral("Com-port is not responding. Set correct port and make Reconnect."));
    ASSERT_FALSE(rig.reports.isEmpty());
    EXPECT_TRUE(rig.reports.first().startsWith(QStringLiteral("Cannot open port")));
}

TEST_F(MainForm, ChangingThePortRestartsTheLinkKeepingItDoesNot) {
    rig.storePort(QStringLiteral("5"));
    launch();
    rig.choosePort = [&] {}; // closed without a pick
    form.action(QStringLiteral("Communication"))->trigger();
    EXPECT_FALSE(rig.link.isActive());
    EXPECT_EQ(rig.link.opens(), 1);

    rig.choosePort = [&] { form.setPort(6); };
    form.action(QStringLiteral("Communication"))->trigger();
    EXPECT_TRUE(rig.link.isActive());
    EXPECT_EQ(rig.link.opens(), 2);
    EXPECT_EQ(form.engine().ModuleState[2].Present, 1);
}

TEST_F(MainForm, AboutShowsTheSameBoxEachTime) {
    TAboutForm* about = form.AboutBox();
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(about->isVisible());
    form.action(QStringLiteral("About"))->trigger();
    EXPECT_TRUE(about->isVisible());
    pressEscape(about);
    EXPECT_FALSE(about->isVisible());
    form.action(QStringLiteral("About"))->trigger();
    EXPECT_EQ(form.AboutBox(), about);
    EXPECT_TRUE(about->isVisible());
}

} // namespace
