#pragma once

#include "protocol/bytes.h"

#include <QDateTime>
#include <QString>

#include <cstdint>

// The link engine reaches the world only through these small interfaces, so that
// it runs in tests with fakes and a virtual clock. Every method with a body is an
// optional hook: the default does nothing.

// The only way the engine waits or reads the time.
class EventPump {
public:
    virtual ~EventPump() = default;
    // Handles the pending events once (received bytes are delivered here).
    virtual void processPending() = 0;
    // Waits up to ms milliseconds while handling events; returns early once
    // wake() has been called since the pause began (bytes arrived).
    virtual void pause(int ms) = 0;
    // Ends the running pause (or the next one, if none runs) early.
    virtual void wake() = 0;
    // Monotonic milliseconds; differences are durations, across midnight too.
    virtual std::int64_t nowMs() = 0;
    // Wall-clock time for log lines and report stamps.
    virtual QDateTime wallClock() = 0;
};

// What the engine needs of the serial port component.
class LinkPort {
public:
    virtual ~LinkPort() = default;
    virtual bool isActive() const = 0;
    // Opens or closes the device; opening may throw the component's error.
    virtual void setActive(bool on) = 0;
    // Sends at once; throws "Port not open" when inactive.
    virtual void writeBytes(const ByteString& bytes) = 0;
    // Every byte announced by the current data notification.
    virtual ByteString readString() = 0;
    // Monotonic ms (same clock as EventPump::nowMs) at which the bytes of the
    // current notification arrived at the device.
    virtual std::int64_t arrivalMs() const = 0;
    // The expected reply of the current exchange, kept as the port's LineEnd.
    virtual void setLineEnd(const ByteString& bytes) = 0;
    virtual ByteString lineEnd() const = 0;
};

// Warning and confirmation dialogs. Core code never opens one itself.
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual void warning(const QString& text) = 0; // OK button
    virtual bool confirm(const QString& text) = 0; // Yes / No
};

// The windows the engine drives: detection window, module boxes, the "not active"
// label, the main window itself, the other windows start-up creates.
class LinkView {
public:
    virtual ~LinkView() = default;
    // Start-up creates the module's oscillogram window, sensor dialog and
    // indicator boxes (once), then the report and active tests windows.
    virtual void createModuleWindows(int /*module*/) {}
    virtual void createCommonWindows() {}
    // Detection window (TDetectForm).
    virtual void showDetect() {}
    virtual void closeDetect() {}
    virtual void setDetectCaption(const QString& /*text*/) {} // cxLabel1
    virtual void setDetectModule(const QString& /*text*/) {}  // cxLabel_Module
    virtual void setDetectRange(int /*min*/, int /*max*/) {}  // DetectingBar
    virtual void setDetectPosition(int /*value*/) {}
    // Main window.
    virtual void setModuleBoxVisible(int /*module*/, bool /*visible*/) {}
    virtual void setNotActiveVisible(bool /*visible*/) {}
    virtual void setMainWindowVisible(bool /*visible*/) {}
    virtual void closeActiveTests() {}
    // Debug window's input-buffer gauge.
    virtual void setBufferStatus(int /*bytes*/) {}
};

// The converter call contract: called for each selected row of a frame; a group's
// converter leaves row on its last bit row.
class Converters {
public:
    virtual ~Converters() = default;
    virtual void convert(int& row, bool show, bool record) = 0;
};

// The indicator panel and the sensor lists (live values).
class IndicatorHooks {
public:
    virtual ~IndicatorHooks() = default;
    virtual void Show_Indicators() {}
    virtual void Set_SizePos() {}
    // The module's sensor selection list.
    virtual void clearSensorList(int /*module*/) {}
    // Appends a checked item; returns its index.
    virtual int addSensor(int /*module*/, const QString& /*name*/) { return -1; }
};

// The module oscillogram windows.
class OscilloHooks {
public:
    virtual ~OscilloHooks() = default;
    // Moves the module's time axis forward by deltaMs (min and max).
    virtual void scrollTime(int /*module*/, std::int64_t /*deltaMs*/) {}
    virtual void repaint(int /*module*/) {}
    // Marks a moment with a vertical line (Set_EndOsc).
    virtual void setEndOsc(int /*module*/, std::uint32_t /*rgb*/, std::int64_t /*x*/) {}
    // Saves and clears after a run when "Oscillogram autosave and clear" is on.
    virtual void autosave(int /*module*/, const QString& /*label*/) {}
};

// Fault-code reading (CUGetError), which start-up calls.
class FaultReader {
public:
    virtual ~FaultReader() = default;
    virtual void CUGetError(int mode) = 0;
};
