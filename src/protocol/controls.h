#pragma once

#include <QString>

// What the register table's run-time references point at. The tables only refer
// to these; the main window owns the gauges and lamps, the module's oscillogram
// window owns the series. Defined here, implemented by the widget and recording
// libraries, so the logic can feed them without knowing any widget.

class GaugeControl {
public:
    virtual ~GaugeControl() = default;
    // A reading outside min..max, or equal to the current one, is ignored.
    virtual void setReading(double value) = 0;
};

class LampControl {
public:
    virtual ~LampControl() = default;
    virtual void setOn(bool on) = 0;
};

class CaptionControl {
public:
    virtual ~CaptionControl() = default;
};

// A register's line series in its module's oscillogram.
class SeriesControl {
public:
    virtual ~SeriesControl() = default;
    // Appends one point; never sorts, never repaints.
    virtual void addPoint(double x, double y) = 0;
    virtual void setActive(bool active) = 0;
    virtual bool isActive() const = 0;
};

// The oscillogram's series rule, applied by the indicator panel's rebuild to each
// row of the current module in order: an unsupported row is skipped; an unselected
// row's series goes inactive (its points stay); a selected row of kind 0 or 1 gets
// its series created (title, axis and colour by the rule) or made active again.
class SeriesRule {
public:
    virtual ~SeriesRule() = default;
    // Starts a rebuild: both colour counters back to 1.
    virtual void beginRebuild(int module) = 0;
    virtual void apply(int module, int row) = 0;
};
