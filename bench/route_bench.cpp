#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

#include "bench/yardstick.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/route_search.h"

namespace {

// Reorders the grid's neighbour pairs so that a spanning tree of them comes
// first (Kruskal over the shuffled order): any prefix at least that long
// keeps every junction reachable, as on a real road map.
void KeepConnected(std::vector<std::pair<int32_t, int32_t>>& pairs, int32_t junctions) {
  std::vector<int32_t> parent(junctions);
  std::iota(parent.begin(), parent.end(), 0);
  const auto root = [&parent](int32_t i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
  };
  std::stable_partition(pairs.begin(), pairs.end(), [&](const std::pair<int32_t, int32_t>& p) {
    const int32_t a = root(p.first), b = root(p.second);
    parent[a] = b;
    return a != b;
  });
}

// Fills the store with a columns x rows grid of jittered junctions, codes
// 1, 2, ... row by row, and `roads` segments between grid neighbours chosen
// at random (the others are "removed"), then builds the graph. Lengths are
// the straight distances stretched a little, as roads bend.
void MakeGridMap(int32_t columns, int32_t rows, int32_t roads) {
  std::mt19937 random(5);
  std::uniform_int_distribution<int32_t> jitter(-30, 30);
  ClearMapAndRoute();
  pointCount = columns * rows;
  points.SetLength(pointCount);
  for (int32_t i = 0; i < pointCount; ++i) {
    points[i].X = (i % columns) * 100 + jitter(random);
    points[i].Y = (i / columns) * 100 + jitter(random);
    points[i].Code = i + 1;
  }
  std::vector<std::pair<int32_t, int32_t>> neighbours;
  for (int32_t i = 0; i < pointCount; ++i) {
    if (i % columns + 1 < columns) neighbours.push_back({i, i + 1});
    if (i + columns < pointCount) neighbours.push_back({i, i + columns});
  }
  std::shuffle(neighbours.begin(), neighbours.end(), random);
  KeepConnected(neighbours, pointCount);
  neighbours.resize(roads);
  segmentCount = roads;
  segments.SetLength(segmentCount);
  std::uniform_real_distribution<double> bend(1.0, 1.3);
  for (int32_t j = 0; j < roads; ++j) {
    const TFieldM &a = points[neighbours[j].first], &b = points[neighbours[j].second];
    segments[j].From = a.Code;
    segments[j].To = b.Code;
    segments[j].Length = static_cast<int32_t>(std::hypot(a.X - b.X, a.Y - b.Y) * bend(random));
  }
  BuildRoadGraph();
}

std::vector<std::pair<int32_t, int32_t>> RandomPairs() {
  std::mt19937 random(11);
  std::uniform_int_distribution<int32_t> code(1, nodeCount);
  std::vector<std::pair<int32_t, int32_t>> pairs(1000);
  for (auto& p : pairs) p = {code(random), code(random)};
  return pairs;
}

// Runs one search per iteration over a fixed list of random pairs on the
// map the columns x rows grid gives; search(start, target) tells whether
// the target was reached, which the "reached" counter averages.
template <typename Search>
void RunSearches(benchmark::State& state, int32_t columns, int32_t rows, Search search) {
  MakeGridMap(columns, rows, 50000);
  const auto pairs = RandomPairs();
  size_t next = 0;
  int64_t reached = 0;
  for (auto _ : state) {
    const auto [start, target] = pairs[next++ % pairs.size()];
    reached += search(start, target);
  }
  state.counters["reached"] =
      benchmark::Counter(static_cast<double>(reached), benchmark::Counter::kAvgIterations);
}

bool SearchFindRoute(int32_t start, int32_t target) { return FindRoute(start, target) != RouteNotFound(); }

bool SearchHeapDijkstra(int32_t start, int32_t target) {
  static std::vector<int64_t> distance(GRAPH_CAPACITY);
  return HeapDijkstra(start, target, distance) != INT64_MAX;
}

// About 40,000 junctions on a square grid, 50,000 roads: 100,000 entries;
// and the same size long and thin, with routes of many more segments.
void BM_FindRoute_Grid(benchmark::State& state) { RunSearches(state, 200, 200, SearchFindRoute); }
void BM_HeapDijkstra_Grid(benchmark::State& state) { RunSearches(state, 200, 200, SearchHeapDijkstra); }
void BM_FindRoute_Thin(benchmark::State& state) { RunSearches(state, 4000, 10, SearchFindRoute); }
void BM_HeapDijkstra_Thin(benchmark::State& state) { RunSearches(state, 4000, 10, SearchHeapDijkstra); }

BENCHMARK(BM_FindRoute_Grid)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeapDijkstra_Grid)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindRoute_Thin)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeapDijkstra_Thin)->Unit(benchmark::kMicrosecond);

}  // namespace
