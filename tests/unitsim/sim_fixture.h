#pragma once

#include "program_side.h"
#include "unitsim/sim_config.h"
#include "unitsim/unit_simulator.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// A simulator on COM<n> and the program's end of the line, opened.
class SimFixture : public ::testing::Test {
protected:
    // Above the numbers that fall back to /dev/tty* nodes, so that only our link answers.
    static constexpr int Com = 107;

    // Fast mode unless the test asks for line pacing.
    static unitsim::SimConfig fastConfig() {
        unitsim::SimConfig c = unitsim::SimConfig::defaults();
        c.com = Com;
        c.fast = true;
        return c;
    }

    void start(const unitsim::SimConfig& config) {
        m_line.reset();
        m_sim = std::make_unique<unitsim::UnitSimulator>(config);
        QString error;
        ASSERT_TRUE(m_sim->start(&error)) << error.toStdString();
        m_line = std::make_unique<ProgramSide>(config.com);
        ASSERT_TRUE(m_line->open());
    }

    void TearDown() override {
        m_line.reset();
        m_sim.reset();
    }

    // Wake-up and selection of module 2 or 3; fails the test unless the unit answers.
    void select(int module) {
        const QByteArray ack = module == 2 ? hex("10") : hex("15");
        ASSERT_EQ(m_line->exchange(module == 2 ? hex("FFFFEF") : hex("FFFFEA"), 1), ack);
    }

    // Ends a stream: sends 0x30 and waits until the acknowledgement is the last byte.
    void stopStream() {
        const std::uint64_t before = m_sim->bytesReceived();
        m_line->send(hex("30"));
        ASSERT_TRUE(m_line->waitUntil([&] {
            return m_sim->bytesProcessed() > before && m_line->received().endsWith('\xCF');
        }));
    }

    unitsim::UnitSimulator& sim() { return *m_sim; }
    ProgramSide& line() { return *m_line; }

private:
    std::unique_ptr<unitsim::UnitSimulator> m_sim;
    std::unique_ptr<ProgramSide> m_line;
};

// Splits a stream into frames by their length bytes: 0xFF, N, N data bytes. Stops at the
// first byte where a frame should start but none does, or at an incomplete frame.
inline std::vector<QByteArray> splitFrames(const QByteArray& bytes, qsizetype* end = nullptr) {
    std::vector<QByteArray> frames;
    qsizetype p = 0;
    while (p + 2 <= bytes.size() && static_cast<unsigned char>(bytes[p]) == 0xFF) {
        const qsizetype size = 2 + static_cast<unsigned char>(bytes[p + 1]);
        if (p + size > bytes.size())
            break;
        frames.push_back(bytes.mid(p, size));
        p += size;
    }
    if (end)
        *end = p;
    return frames;
}
