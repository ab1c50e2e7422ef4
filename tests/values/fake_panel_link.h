#pragma once

#include "protocol/commands.h"
#include "values/panel_link.h"

#include <array>
#include <string>
#include <vector>

// The engine as the panel sees it; records the calls in order.
struct FakePanelLink : PanelLink {
    int module = ModuleEcu;
    int first = 1;
    int last = 48;
    std::array<int, ModuleSlots> heights{};
    bool isStreaming = false;
    int pumps = 0;
    std::vector<std::string> calls;

    void selectModule(int m) {
        module = m;
        first = RegisterRange(m).first;
        last = RegisterRange(m).last;
    }

    int currentModule() const override { return module; }
    int firstRegister() const override { return first; }
    int lastRegister() const override { return last; }
    int clientHeight(int m) const override { return heights.at(m); }
    void setClientHeight(int m, int h) override { heights.at(m) = h; }
    void processPending() override {
        ++pumps;
        calls.push_back("pump");
    }
    bool streaming() const override { return isStreaming; }
    void StopDiag() override {
        isStreaming = false;
        calls.push_back("StopDiag");
    }
    void Set_Packets() override { calls.push_back("Set_Packets"); }
};
