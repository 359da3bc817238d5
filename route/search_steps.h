#pragma once

// The steps the two route searches share and the operations of each, over
// the working arrays of route_search.h. For the search's own files only.

#include <cstdint>
#include <limits>

#include "map/road_graph.h"
#include "route/directed_graph.h"
#include "route/route_search.h"

constexpr int32_t kUnreached = std::numeric_limits<int32_t>::max();

// Codes 0..nodeCount: unreached, no predecessor, never seen in a pass.
void ResetSearch();

// The start at distance 0, its own predecessor.
void SeedSearch(int32_t start);

// Whether relaxing entry e out of the point with code u gives the point it
// names a shorter distance; if so records it, with u and the entry's
// segment as its predecessor, and returns that point's code, else 0. An
// entry naming no point, and a distance that does not fit 32 bits,
// improve nothing.
inline int32_t Relax(int32_t u, int32_t e) {
  const int32_t v = adjNode[e];
  if (!IsCode(v, nodeCount)) return 0;
  const int64_t candidate = int64_t{bestDistance[u]} + adjLength[e];
  if (candidate >= bestDistance[v] || candidate < std::numeric_limits<int32_t>::min()) return 0;
  bestDistance[v] = static_cast<int32_t>(candidate);
  prevSegment[v] = adjSegment[e];
  prevNode[v] = u;
  return v;
}

// The passes of edge relaxation. StartPasses resets the arrays and seeds
// start; AdvancePasses runs passes until the route to target is final.
// PassesCanBeKept tells whether a search may go on from earlier passes on
// this graph: not when a length is negative.
void StartPasses(int32_t start);
void AdvancePasses(int32_t target);
bool PassesCanBeKept();

// Dijkstra's algorithm with a binary heap. StartHeap resets the arrays and
// seeds start; AdvanceHeap settles points until target is settled or no
// point is left to settle.
void StartHeap(int32_t start);
void AdvanceHeap(int32_t target);
