#pragma once

#include "link/link_engine.h"
#include "values/panel_link.h"

// The indicator panel's view of the link engine.
class EnginePanelLink : public PanelLink {
public:
    explicit EnginePanelLink(LinkEngine& engine) : m_e(engine) {}

    int currentModule() const override { return m_e.CurrentModule; }
    int firstRegister() const override { return m_e.FirstRegister; }
    int lastRegister() const override { return m_e.LastRegister; }
    int clientHeight(int module) const override { return m_e.ModuleState.at(module).ClientHeight; }
    void setClientHeight(int module, int height) override {
        m_e.ModuleState.at(module).ClientHeight = height;
    }
    void processPending() override { m_e.pump().processPending(); }
    bool streaming() const override { return m_e.LinkState == ssStreaming; }
    void StopDiag() override { m_e.StopDiag(); }
    void Set_Packets() override { m_e.Set_Packets(); }

private:
    LinkEngine& m_e;
};
