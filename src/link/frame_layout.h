#pragma once

#include <vector>

// The rows that own the data bytes of a stream frame of the module, in frame
// order. ECU: the selected rows that are not bits of a group (exactly those named
// in the request). AT: every row detection did not refuse that is not a bit, selected
// or not (0x9F asks for every supported register).
std::vector<int> FrameRows(int module);
