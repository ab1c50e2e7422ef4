#include "oscillo/oscillo_menu.h"

#include "link/menu_state.h"

namespace OscilloMenu {

bool SavedCollect = false;
bool SavedIndicate = false;

void FormShow(MenuState& menu) {
    SavedIndicate = menu.isOn(MenuState::Show_i);
    menu.set(MenuState::Show_i, false);
    SavedCollect = menu.isOn(MenuState::Collect_oscillo);
    menu.set(MenuState::Collect_oscillo, true);
}

void FormClose(MenuState& menu) {
    menu.set(MenuState::Show_oscillogram, false);
    menu.set(MenuState::Collect_oscillo, SavedCollect);
    menu.set(MenuState::Show_i, SavedIndicate);
}

} // namespace OscilloMenu
