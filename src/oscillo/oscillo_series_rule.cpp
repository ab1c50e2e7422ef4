#include "oscillo/oscillo_series_rule.h"

#include "oscillo/osc_recording.h"
#include "oscillo/series_palette.h"
#include "protocol/registers.h"

namespace {

std::uint32_t takeColour(int& counter) {
    const std::uint32_t rgb = SeriesPalette[static_cast<std::size_t>(counter)];
    counter = counter % SeriesPaletteSize + 1;
    return rgb;
}

} // namespace

void OscilloSeriesRule::setRecording(int module, OscRecording* recording) {
    if (module >= 0 && module < ModuleSlots)
        m_recordings[static_cast<std::size_t>(module)] = recording;
}

void OscilloSeriesRule::beginRebuild(int /*module*/) {
    m_leftCounter = 1;
    m_customCounter = 1;
}

void OscilloSeriesRule::apply(int module, int row) {
    if (row < 1 || row > RegisterCount)
        return;
    TMopaProtocol& r = RegisterTable[static_cast<std::size_t>(row)];
    if (r.Unsupported)
        return;
    if (!r.Selected) {
        if (r.Series)
            r.Series->setActive(false);
        return;
    }
    if (r.Kind != 0 && r.Kind != 1)
        return;
    if (r.Series) {
        if (!r.Series->isActive())
            r.Series->setActive(true);
        return;
    }
    OscRecording* recording = module >= 0 && module < ModuleSlots
                                  ? m_recordings[static_cast<std::size_t>(module)]
                                  : nullptr;
    if (!recording)
        return;
    const bool left = r.Max > 8 || r.Kind == 1;
    // The custom scale holds at most nine registers a module, but wraps like the left one
    // rather than reading past the palette.
    const std::uint32_t rgb = takeColour(left ? m_leftCounter : m_customCounter);
    r.Series = recording->addSeries(r.Name, rgb, left ? OscAxis::Left : OscAxis::Custom);
}
