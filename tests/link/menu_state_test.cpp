#include "link/menu_state.h"
#include "support/gtest_qt.h"

#include <QStringList>

#include <vector>

#include <gtest/gtest.h>

TEST(MenuState, StartsAsTheMenuIsDefined) {
    MenuState menu;
    for (auto item :
         {MenuState::Collect_oscillo, MenuState::Show_i, MenuState::StartEnabled,
          MenuState::ActiveTestsEnabled, MenuState::CommandsEnabled, MenuState::ViewEnabled})
        EXPECT_TRUE(menu.isOn(item)) << item;
    for (auto item :
         {MenuState::Show_oscillogram, MenuState::Packed_record, MenuState::Collect_overmax,
          MenuState::Collect_debug, MenuState::Osc_saveandclear, MenuState::Show_debug,
          MenuState::ECU1, MenuState::AT1})
        EXPECT_FALSE(menu.isOn(item)) << item;
    EXPECT_EQ(menu.startCaption(), "&Start");
    EXPECT_EQ(menu.modeCaption(), "&Mode ECU");
}

TEST(MenuState, SignalsOnlyRealChanges) {
    MenuState menu;
    std::vector<std::pair<MenuState::Item, bool>> changed;
    QStringList start, mode;
    QObject::connect(&menu, &MenuState::changed,
                     [&](MenuState::Item item, bool on) { changed.emplace_back(item, on); });
    QObject::connect(&menu, &MenuState::startCaptionChanged, [&](const QString& c) { start << c; });
    QObject::connect(&menu, &MenuState::modeCaptionChanged, [&](const QString& c) { mode << c; });

    menu.set(MenuState::Show_i, true); // already on
    menu.set(MenuState::Packed_record, true);
    menu.set(MenuState::Packed_record, true);
    menu.setStartCaption("&Start");
    menu.setStartCaption("&Stop");
    menu.setModeCaption("&Mode AT");
    menu.setModeCaption("&Mode AT");

    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].first, MenuState::Packed_record);
    EXPECT_TRUE(changed[0].second);
    EXPECT_EQ(start, QStringList{"&Stop"});
    EXPECT_EQ(mode, QStringList{"&Mode AT"});
}
