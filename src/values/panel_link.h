#pragma once

// What the indicator panel and the sensor selection need of the link engine. The
// main window passes EnginePanelLink (engine_panel_link.h); tests pass a fake.
class PanelLink {
public:
    virtual ~PanelLink() = default;
    virtual int currentModule() const = 0;
    virtual int firstRegister() const = 0;
    virtual int lastRegister() const = 0;
    virtual int clientHeight(int module) const = 0;
    virtual void setClientHeight(int module, int height) = 0;
    // Handles pending events once, so the window stays live during a rebuild.
    virtual void processPending() = 0;
    virtual bool streaming() const = 0;
    virtual void StopDiag() = 0;
    virtual void Set_Packets() = 0;
};
