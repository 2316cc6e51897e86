#pragma once

namespace vkr {

// The console host's view of the command box. The GUI implements it; calls
// may come from any thread (the GUI hands them to the UI thread).
class ConsoleView {
public:
    virtual ~ConsoleView() = default;
    virtual void SetCommandBoxEnabled(bool enabled) = 0;
};

}  // namespace vkr
