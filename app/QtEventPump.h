#pragma once
// Serves pending Qt events from inside a long operation on the UI thread.
#include "platform/EventPump.h"

namespace vkr {

class QtEventPump : public EventPump {
public:
    // Blocks in the event loop until an event arrives or maxWaitMs passes
    // (a single-shot timer bounds the wait); on another thread does nothing.
    void ServePendingEvents(int maxWaitMs = 0) override;
};

}  // namespace vkr
