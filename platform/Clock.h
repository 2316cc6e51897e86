#pragma once
#include <cstdint>

namespace vkr {

// Milliseconds since an arbitrary fixed point (monotonic), like the system tick count.
uint64_t TickCount();

}  // namespace vkr
