#pragma once

#include "protocol/commands.h"
#include "protocol/controls.h"

#include <array>

class OscRecording;

// Gives each selected register of kind 0 or 1 its line in its module's oscillogram,
// once: a register with a high maximum (above 8) or a lamp goes on the left scale, the
// others on the custom scale, each scale taking the palette's colours in turn from entry 1
// at every rebuild. Deselected registers' lines are hidden, never destroyed; selecting them
// again shows them with their points.
class OscilloSeriesRule : public SeriesRule {
public:
    // The recording that module m's series belong to (none: the module gets no series).
    void setRecording(int module, OscRecording* recording);

    void beginRebuild(int module) override;
    void apply(int module, int row) override;

private:
    std::array<OscRecording*, ModuleSlots> m_recordings{};
    int m_leftCounter = 1;
    int m_customCounter = 1;
};
