#pragma once

#include "link/link_engine.h"
#include "values/converters.h"

// The engine's Converters seam: every call reads the engine's current frame time,
// register range, over-range switch and log.
class EngineConverters : public Converters {
public:
    explicit EngineConverters(LinkEngine& engine) : m_engine(engine) {}

    void convert(int& row, bool show, bool record) override {
        ConvertContext ctx;
        ctx.OscTime = m_engine.OscTime;
        ctx.FirstRegister = m_engine.FirstRegister;
        ctx.CollectOverMax = m_engine.menu().isOn(MenuState::Collect_overmax);
        ctx.OverMaxSeen = &m_engine.OverMaxSeen;
        ctx.Log = &m_engine.log();
        Convert(row, show, record, ctx);
    }

private:
    LinkEngine& m_engine;
};
