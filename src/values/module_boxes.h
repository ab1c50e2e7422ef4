#pragma once

class QGroupBox;
class QWidget;

// A unit's two group boxes on the main window: ModuleBox holds the gauges,
// RegistersBox inside it the lamps and their captions.
struct ModuleBoxes {
    QGroupBox* ModuleBox = nullptr;
    QGroupBox* RegistersBox = nullptr;
};

// Creates them for module (2 ECU, 3 AT) on the main window's client area: the
// module box aligned to the top and as wide as client, 20 high, red caption (the
// module's short name), hidden; the registers box at 235, 6, 180 × 10.
ModuleBoxes CreateModuleBoxes(int module, QWidget* client);
