#include "unit_simulator.h"

#include "simulator_server.h"

namespace unitsim {

UnitSimulator::UnitSimulator(SimConfig config) : m_config(std::move(config)) {}

UnitSimulator::~UnitSimulator() {
    stop();
}

bool UnitSimulator::start(QString* error) {
    stop();
    QString why;
    auto server = std::make_unique<SimulatorServer>(m_config);
    if (!server->open(&why)) {
        if (error)
            *error = why;
        return false;
    }
    m_devicePath = server->devicePath();
    m_linkPath = server->linkPath();
    m_server = std::move(server);
    m_thread = std::thread([server = m_server.get()] { server->run(); });
    return true;
}

void UnitSimulator::stop() {
    if (m_thread.joinable()) {
        m_server->requestStop();
        m_thread.join();
    }
    if (m_server)
        m_server->closeDevice();
}

std::uint64_t UnitSimulator::framesSent() const {
    return m_server ? m_server->framesSent.load() : 0;
}
std::uint64_t UnitSimulator::bytesSent() const {
    return m_server ? m_server->bytesSent.load() : 0;
}
std::uint64_t UnitSimulator::bytesReceived() const {
    return m_server ? m_server->bytesReceived.load() : 0;
}
std::uint64_t UnitSimulator::bytesDropped() const {
    return m_server ? m_server->bytesDropped.load() : 0;
}
std::uint64_t UnitSimulator::bytesProcessed() const {
    return m_server ? m_server->bytesProcessed.load() : 0;
}
bool UnitSimulator::hungUp() const {
    return m_server && m_server->hungUp.load();
}
int UnitSimulator::finishedFd() const {
    return m_server ? m_server->finishedFd() : -1;
}
QString UnitSimulator::failure() const {
    return m_server ? m_server->failure() : QString();
}

} // namespace unitsim
