#include "link/frame_layout.h"

#include "protocol/commands.h"
#include "protocol/registers.h"

#include <algorithm>

std::vector<int> FrameRows(int module) {
    std::vector<int> rows;
    const RegisterRangeT range = RegisterRange(module);
    const int first = std::max(range.first, 1);
    const int last = std::min(range.last, RegisterCount);
    for (int r = first; r <= last; ++r) {
        const TMopaProtocol& reg = RegisterTable[r];
        if (reg.isBit())
            continue;
        if (module == ModuleAt ? !reg.Unsupported : reg.Selected)
            rows.push_back(r);
    }
    return rows;
}
