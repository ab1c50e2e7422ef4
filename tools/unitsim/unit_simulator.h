#pragma once

#include "sim_config.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

namespace unitsim {

class SimulatorServer;

// An engine unit and a transmission unit on a pseudo-terminal, served from a thread of
// their own:
//
//     UnitSimulator sim(config);
//     if (!sim.start(&error)) ...;
//     open sim.devicePath() (or COM<n> through sim.linkPath()) and talk to it;
//     sim.stop();
//
// The counters may be read from any thread while it runs.
class UnitSimulator {
public:
    explicit UnitSimulator(SimConfig config = SimConfig::defaults());
    ~UnitSimulator();
    UnitSimulator(const UnitSimulator&) = delete;
    UnitSimulator& operator=(const UnitSimulator&) = delete;

    // Opens the device, makes the COM link (unless com is 0) and starts serving.
    bool start(QString* error = nullptr);
    // Stops serving, closes the device and removes the link. Safe to call twice.
    void stop();

    bool isRunning() const { return m_thread.joinable(); }
    QString devicePath() const { return m_devicePath; }
    QString linkPath() const { return m_linkPath; }
    int comNumber() const { return m_config.com; }
    const SimConfig& config() const { return m_config; }

    std::uint64_t framesSent() const;    // complete frames handed to the line
    std::uint64_t bytesSent() const;     // bytes handed to the line, noise included
    std::uint64_t bytesReceived() const; // bytes read from the program
    std::uint64_t bytesDropped() const;  // lost because the program did not read them
    // Received bytes the unit has acted on; their answers (if any) are already on the
    // line, or queued behind the line's pace in paced mode.
    std::uint64_t bytesProcessed() const;
    bool hungUp() const; // the device was closed by hang-up-after

    // Readable (an eventfd) once serving ended by itself: hang-up or a device error.
    int finishedFd() const;
    // Why serving ended by itself; empty while it runs or after a plain stop().
    QString failure() const;

private:
    SimConfig m_config;
    QString m_devicePath;
    QString m_linkPath;
    std::unique_ptr<SimulatorServer> m_server;
    std::thread m_thread;
};

} // namespace unitsim
