#pragma once

#include <cstdint>

// What one map can hold: its junctions, its road segments, its adjacency
// entries (a segment is entered at both ends, a loop once) and the vertices
// of all its segments together. The loader numbers them with signed 32 bits.
struct MapLimits {
  int64_t junctions = 2147483646;
  int64_t segments = 2147483646;
  int64_t entries = 2147483646;
  int64_t vertices = 2147483647;
};
