#include "support/recording_hooks.h"

#include "protocol/registers.h"

void RecordingConverters::convert(int& row, bool show, bool record) {
    const int r = row;
    calls.push_back({r, RegisterTable[r].Raw, show, record, m_oscTime ? m_oscTime() : 0});
    if (RegisterTable[r].isGroup())
        while (row + 1 <= RegisterCount && RegisterTable[row + 1].isBit())
            ++row;
    if (onCall)
        onCall(r);
}

std::vector<RecordingConverters::Call> RecordingConverters::callsFor(int row) const {
    std::vector<Call> out;
    for (const Call& c : calls)
        if (c.row == row)
            out.push_back(c);
    return out;
}
