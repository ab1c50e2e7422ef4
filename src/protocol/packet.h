#pragma once

#include "protocol/bytes.h"

// A request and the reply the unit is expected to echo for it.
struct TMopa_Packet {
    ByteString Request;
    ByteString Response;

    void clear() {
        Request.clear();
        Response.clear();
    }
};
