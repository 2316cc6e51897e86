#pragma once

namespace vkr {

// Serves pending window events from inside a long operation on the UI thread,
// so the window stays usable. On a thread without windows it does nothing.
class EventPump {
public:
    virtual ~EventPump() = default;
    // Serves what is pending now, or waits at most maxWaitMs for something to
    // arrive before serving it (0: do not wait). Never spins.
    virtual void ServePendingEvents(int maxWaitMs = 0) = 0;
};

}  // namespace vkr
