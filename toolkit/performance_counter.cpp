#include "toolkit/performance_counter.h"

#include <chrono>

int64_t QueryPerformanceCounter() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
