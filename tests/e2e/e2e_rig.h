#pragma once

#include "shell/com_main_form.h"
#include "support/fake_prompts.h"
#include "support/gtest_qt.h"
#include "unitsim/unit_simulator.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// The real main window (real serial component, Qt event pump) against the unit
// simulator on a pseudo-terminal, in a temporary configuration directory that
// is also the current directory. Prompts are scripted; error reports captured.
class E2eRig {
public:
    static constexpr int Com = 117;

    E2eRig();
    ~E2eRig();

    // Starts the simulator (fast mode, linked as COM117) with a transcript.
    bool startSimulator(unitsim::SimConfig config = unitsim::SimConfig::defaults());
    void storePort(int port);
    QString storedPort() const;
    TForm1& form();
    // Every byte the simulator received, in order.
    QByteArray received() const;
    QString transcriptPath() const { return dir.path() + QStringLiteral("/transcript.txt"); }

    QTemporaryDir dir;
    std::unique_ptr<unitsim::UnitSimulator> sim;
    FakePrompts prompts;
    QStringList reports;
    int closedSignals = 0;

private:
    QByteArray m_savedConfigHome;
    QString m_savedDir;
    std::unique_ptr<TForm1> m_form;
};

// Handles events until cond holds or timeoutMs passes; returns cond().
bool waitFor(const std::function<bool()>& cond, int timeoutMs = 20000);
