// Fuzz target for the fault-code reply decoding: the first byte picks the unit and
// the request, the rest is the receive buffer. Any read outside the buffer is
// caught by the sanitizers; the checks below catch a decoding that strays outside
// the frame or invents lines.
#include "diagnosis/fault_decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const int unit = 2 + data[0] % 3;
    const int mode = 1 + (data[0] / 3) % 4;
    const ByteString rx(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const FaultFrame f = decodeFaultReply(unit, mode, rx);

    if (!f.complete) {
        if (!f.lines.empty())
            std::abort();
        return 0;
    }
    const qsizetype first = f.start + 2;
    const qsizetype end = first + f.length;
    if (f.start < 0 || f.length < 0 || end >= rx.size())
        std::abort();
    if (byteAt(rx, f.start) != 0xFF || byteAt(rx, end) != 0xFF)
        std::abort();
    if (f.position - 1 < first || f.position - 1 > end)
        std::abort();
    if (qsizetype(f.lines.size()) > f.length)
        std::abort();
    return 0;
}
