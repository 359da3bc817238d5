#pragma once

#include <cstdint>

// A reading of a monotonic high-resolution counter, in nanoseconds since an
// arbitrary origin. Only differences of two readings mean anything.
int64_t QueryPerformanceCounter();
