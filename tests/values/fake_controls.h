#pragma once

#include "protocol/controls.h"

#include <utility>
#include <vector>

// Records what the converters hand to a register's gauge, lamp and series.
struct FakeGauge : GaugeControl {
    std::vector<double> readings;
    void setReading(double value) override { readings.push_back(value); }
};

struct FakeLamp : LampControl {
    std::vector<bool> states;
    void setOn(bool on) override { states.push_back(on); }
};

struct FakeSeries : SeriesControl {
    std::vector<std::pair<double, double>> points;
    bool active = true;
    void addPoint(double x, double y) override { points.emplace_back(x, y); }
    void setActive(bool on) override { active = on; }
    bool isActive() const override { return active; }
};
