#pragma once

#include <cstdint>
#include <vector>

#include "map/map_store.h"

// A point and a segment as tests write them down.
struct PointSpec {
  int32_t x, y, code;
};
struct SegmentSpec {
  int32_t from, to, length;
  std::vector<TPoint> vertices;
};

// Replaces the map store's tables with the given points and segments (start
// and current point -1); the graph is not built.
void SetStore(const std::vector<PointSpec>& points, const std::vector<SegmentSpec>& segments);

// SetStore, then BuildRoadGraph.
void SetMap(const std::vector<PointSpec>& points, const std::vector<SegmentSpec>& segments);
