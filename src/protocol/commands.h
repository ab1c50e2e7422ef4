#pragma once

#include "protocol/bytes.h"

#include <QString>

// One command of the unit protocol: the byte sent, the byte that counts as the
// unit's acknowledgement, and how a wait for it is paced.
struct TMopaProtMng {
    ByteString request;
    ByteString reply;
    int pollInterval = 0; // ms between two looks at the reply flag
    int tries = 0;        // only the low byte counts (the look counter is 8-bit)
    QString name;
};

// Command numbers (rows of the command table, 1..13). A module's number is also
// the number of its selection command.
enum CommandNo : int {
    cmdInit = 1,
    cmdEcuSelect = 2,
    cmdAtSelect = 3,
    cmdAirconSelect = 4,
    cmdStreamAll = 5,
    cmdActivePreff = 6,
    cmdEndReq = 7,
    cmdErrorResp = 8,
    cmdReqPreff = 9,
    cmdExitDiag = 10,
    cmdSelfDiagnostic = 11,
    cmdClearErrors = 12,
    cmdGetEcuNumber = 13,
};
constexpr int CommandCount = 13;

// Row n (1..13) of the command table. Out-of-range n is a programming error.
const TMopaProtMng& Command(int n);

// Module numbers index every per-module array.
constexpr int ModuleEcu = 2;
constexpr int ModuleAt = 3;
constexpr int ModuleAircon = 4;
constexpr int ModuleSlots = 5; // arrays indexed 0..4; 2..4 are used

struct TMopaModule {
    QString ShortName; // " ECU ", " AT ", " AIRCON " (blanks included)
    QString LongName;  // "Engine Control Unit", ...
};

// Row m (2..4) of the module table.
const TMopaModule& Module(int m);

// First and last register row of a module (ECU 1..48, AT 49..82). Module 4 has none
// and gives {0, -1}.
struct RegisterRangeT {
    int first;
    int last;
};
RegisterRangeT RegisterRange(int module);

// Well-known protocol bytes.
namespace proto {
constexpr unsigned char Wake = 0xFF;
constexpr unsigned char FrameStart = 0xFF;
constexpr unsigned char ErrorReply = 0xFE;
constexpr unsigned char ReqPreff = 0x5A;
constexpr unsigned char ReqPreffAck = 0xA5;
constexpr unsigned char ActivePreff = 0x0A;
constexpr unsigned char ActivePreffAck = 0xF5;
constexpr unsigned char EndReq = 0xF0;
constexpr unsigned char ExitDiag = 0x30;
constexpr unsigned char ExitDiagAck = 0xCF;
constexpr unsigned char StreamAll = 0x9F;
constexpr unsigned char SelfDiagnostic = 0xD1;
constexpr unsigned char ClearErrors = 0xC1;
constexpr unsigned char GetEcuNumber = 0xD0;
} // namespace proto
