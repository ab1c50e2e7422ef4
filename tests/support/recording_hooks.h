#pragma once

#include "link/seams.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

// Fakes of the engine's optional hooks. Each records its calls as short texts in a
// shared journal (so a test can check the order across hooks) and keeps the
// figures a test asserts on.
using Journal = QStringList;

class RecordingView : public LinkView {
public:
    explicit RecordingView(Journal& journal) : m_j(journal) {}
    void createModuleWindows(int module) override { note("windows " + QString::number(module)); }
    void createCommonWindows() override { note("common windows"); }
    void showDetect() override {
        detectVisible = true;
        note("detect show");
    }
    void closeDetect() override {
        detectVisible = false;
        note("detect close");
    }
    void setDetectCaption(const QString& text) override { note("detect caption " + text); }
    void setDetectModule(const QString& text) override {
        detectModule = text;
        note("detect module " + text);
    }
    void setDetectRange(int min, int max) override {
        rangeMin = min;
        rangeMax = max;
        note(QStringLiteral("detect range %1..%2").arg(min).arg(max));
    }
    void setDetectPosition(int value) override { positions.push_back(value); }
    void setModuleBoxVisible(int module, bool visible) override {
        boxVisible[module] = visible;
        note(QStringLiteral("box %1 %2").arg(module).arg(visible ? "shown" : "hidden"));
    }
    void setNotActiveVisible(bool visible) override {
        notActiveVisible = visible;
        note(visible ? "not active shown" : "not active hidden");
    }
    void setMainWindowVisible(bool visible) override {
        note(visible ? "main shown" : "main hidden");
    }
    void closeActiveTests() override { note("active tests closed"); }
    void setBufferStatus(int bytes) override { bufferStatus.push_back(bytes); }

    bool detectVisible = false;
    QString detectModule;
    int rangeMin = 0, rangeMax = 0;
    std::vector<int> positions;
    std::map<int, bool> boxVisible;
    bool notActiveVisible = true;
    std::vector<int> bufferStatus;

private:
    void note(const QString& s) { m_j << s; }
    Journal& m_j;
};

class RecordingIndicators : public IndicatorHooks {
public:
    explicit RecordingIndicators(Journal& journal) : m_j(journal) {}
    void Show_Indicators() override {
        ++shows;
        m_j << "Show_Indicators";
    }
    void Set_SizePos() override { ++sizePos; }
    void clearSensorList(int module) override {
        sensors[module].clear();
        m_j << "sensors cleared " + QString::number(module);
    }
    int addSensor(int module, const QString& name) override {
        sensors[module] << name;
        return int(sensors[module].size()) - 1;
    }

    std::map<int, QStringList> sensors;
    int shows = 0;
    int sizePos = 0;

private:
    Journal& m_j;
};

class RecordingOscillo : public OscilloHooks {
public:
    explicit RecordingOscillo(Journal& journal) : m_j(journal) {}
    void scrollTime(int module, std::int64_t deltaMs) override {
        scrolls.push_back({module, deltaMs});
    }
    void repaint(int module) override { repaints[module]++; }
    void setEndOsc(int module, std::uint32_t rgb, std::int64_t x) override {
        m_j << QStringLiteral("end mark %1 #%2 at %3")
                   .arg(module)
                   .arg(rgb, 6, 16, QChar('0'))
                   .arg(x);
    }
    void autosave(int module, const QString& label) override {
        m_j << QStringLiteral("autosave %1 %2").arg(module).arg(label);
    }

    std::vector<std::pair<int, std::int64_t>> scrolls;
    std::map<int, int> repaints;

private:
    Journal& m_j;
};

class RecordingFaults : public FaultReader {
public:
    explicit RecordingFaults(Journal& journal) : m_j(journal) {}
    void CUGetError(int mode) override {
        m_j << "CUGetError " + QString::number(mode);
        modes.push_back(mode);
        if (action)
            action(mode);
    }
    std::vector<int> modes;
    std::function<void(int)> action; // e.g. what the real reading does to LinkState

private:
    Journal& m_j;
};

// Records every converter call with the row's Raw byte and the engine's OscTime at
// that moment; a group's call moves the row onto its last bit, as the real
// converters do.
class RecordingConverters : public Converters {
public:
    struct Call {
        int row;
        std::uint8_t raw;
        bool show;
        bool record;
        std::int64_t oscTime;
    };
    // oscTime reads the engine's OscTime (the converters' X value).
    explicit RecordingConverters(std::function<std::int64_t()> oscTime = {})
        : m_oscTime(std::move(oscTime)) {}
    void convert(int& row, bool show, bool record) override;

    std::vector<Call> calls;
    std::function<void(int row)> onCall; // runs inside the call (nested user actions)

    std::vector<Call> callsFor(int row) const;

private:
    std::function<std::int64_t()> m_oscTime;
};
