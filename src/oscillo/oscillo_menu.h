#pragma once

class MenuState;

// The menu check marks an oscillogram window takes over while it is on screen. The two
// saved states are shared by every oscillogram window: showing a second window while one
// is open saves the states the first one already changed.
namespace OscilloMenu {

extern bool SavedCollect;  // "&Collect data into oscillogram" before a window was shown
extern bool SavedIndicate; // "&Indicate data on gauge" before a window was shown

// A window is shown: gauges stop updating, collecting starts.
void FormShow(MenuState& menu);
// A window is closed: "&Display oscillogram" goes off, the saved states come back.
void FormClose(MenuState& menu);

} // namespace OscilloMenu
