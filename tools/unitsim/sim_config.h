#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <bitset>
#include <cstdint>
#include <vector>

namespace unitsim {

struct FaultEntry {
    std::uint8_t code = 0;
    std::uint8_t starts = 0; // engine starts since the fault was last seen

    friend bool operator==(const FaultEntry&, const FaultEntry&) = default;
};

// What one control unit on the line answers to.
struct ModuleScenario {
    bool present = true;
    std::bitset<256> registers; // addresses the unit echoes
    std::bitset<256> tests;     // active-test codes it accepts
    std::vector<FaultEntry> faults;
    QByteArray ident; // identification block; empty: 0xD0 is refused
};

// Longest fault list one frame can carry: the length byte counts data bytes.
constexpr int MaxFaults = 127;
constexpr int IdentLength = 22;

struct SimConfig {
    int com = 9;      // COM<n> link in the ports directory; 0: no link
    QString portsDir; // empty: <generic config>/ZedoVudera/ports
    ModuleScenario ecu;
    ModuleScenario at;
    double framesPerSecond = 0.0;         // 0: frames back to back
    std::uint64_t silenceAfterFrames = 0; // 0: never falls silent
    double noise = 0.0;                   // probability per sent byte of line noise
    double hangupAfterSeconds = 0.0;      // 0: never hangs up
    std::uint64_t seed = 1;
    QString transcript; // file of every received byte with its time; empty: none
    bool fast = false;  // no line pacing, no reply delay
    int replyDelayMs = 3;
    int weakCylinder = 3; // cylinder whose cut barely changes the speed; 0: none

    // Every catalogue register and every active test of the engine unit, no AT tests,
    // two stored engine faults and a sample identification block.
    static SimConfig defaults();

    ModuleScenario& module(int m) { return m == 2 ? ecu : at; }
    const ModuleScenario& module(int m) const { return m == 2 ? ecu : at; }
};

// Applies one option given as key and value (the same keys in the config file and,
// with a leading "--", on the command line). Returns false and says why in error.
bool applyOption(SimConfig& config, const QString& key, const QString& value, QString* error);

// Reads a config file of "key = value" lines ('#' starts a comment).
bool loadConfigFile(SimConfig& config, const QString& path, QString* error);

// Parses the command line (without the program name). Options apply in order, so a
// later one overrides the file given by an earlier --config. helpWanted is set by --help.
bool parseCommandLine(SimConfig& config, const QStringList& args, bool* helpWanted, QString* error);

QString helpText();

// The ports directory the program resolves COM<n> through.
QString defaultPortsDir();

// Every register address the module's catalogue rows request (group bytes once).
std::vector<std::uint8_t> catalogueAddresses(int module);

} // namespace unitsim
