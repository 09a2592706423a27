// For tests: the performance counter stopped at a value and moved on by hand, so that code which
// measures time by it (decays, holds, fades) can be tested without waiting for time to pass.
#pragma once
#include <cstdint>
#include <optional>

// QueryPerformanceCounter answers ticks from now on; nullopt lets the steady clock run again.
void StopPerformanceCounterAt(std::optional<int64_t> ticks);
