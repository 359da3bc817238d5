#pragma once

#include <random>

#include "route/route_search.h"

// Lowers the passes' capacity to nothing while it lives, so that small
// graphs take the searches of large ones.
class LoweredPassCapacity {
 public:
  LoweredPassCapacity() : saved_(PassSearchCapacity()) { PassSearchCapacity() = {0, 0}; }
  ~LoweredPassCapacity() { PassSearchCapacity() = saved_; }

 private:
  PassCapacity saved_;
};

// Sets up and builds a random directed map of n points, codes 1..n: sparse
// enough to leave unreachable pairs, with one-way roads both ways round,
// zero lengths, parallel roads and loops, and durations, by which the graph
// is weighed when byDuration.
void SetRandomDirectedMap(std::mt19937& random, int32_t n, bool byDuration);
