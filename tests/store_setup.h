#pragma once

#include <cstdint>
#include <functional>
#include <string>
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

// An empty store over a previous graph (bounds and counts 77), to tell
// whether a load rebuilt the graph.
void SetPreviousGraph();

// What a load raised: the exception's class (DynArrayOutOfRange,
// EConvertError or Exception; empty when nothing was raised) and message,
// and the index and length a DynArrayOutOfRange carries.
struct Refusal {
  std::string type, message;
  int32_t index = 0, length = 0;
};
Refusal RefusalOf(const std::function<void()>& load);
