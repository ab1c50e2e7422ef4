#pragma once

#include "link/seams.h"

class LinkEngine;

// The serial port as the main window uses it: the engine's LinkPort, the COM
// number the next open uses, and the routing of its notifications to the engine.
class MainPort : public LinkPort {
public:
    virtual int Port() const = 0;
    virtual void setPort(int number) = 0;
    // Received bytes go to the engine's data handler, a lost device to its
    // link-lost handler.
    virtual void bind(LinkEngine& engine) = 0;
    virtual void unbind() = 0;
};
