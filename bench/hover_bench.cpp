// Hover sessions, as the window runs them: a click sets a start, then the
// pointer moves across the map and every change of the nearest point asks
// for the route to it. One session is one start and 1,000 targets along a
// pointer path (each a neighbour of the one before), on a road-like map and
// on the capacity map; the kept search, the search from scratch and the
// textbook heap Dijkstra answer the same calls.
#include <benchmark/benchmark.h>

#include <chrono>
#include <queue>
#include <string>
#include <vector>

#include "app/offscreen_window.h"
#include "bench/capacity_map.h"
#include "bench/road_like_map.h"
#include "bench/yardstick.h"
#include "map/layer_loader.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/route_search.h"

namespace {

constexpr int32_t kTargets = 1000;

// The codes on a path of fewest roads from `from` to the point farthest from
// it in roads, by breadth-first search: neighbours one after the other.
std::vector<int32_t> PathToFarthest(int32_t from) {
  std::vector<int32_t> parent(static_cast<size_t>(nodeCount) + 1, 0);
  std::queue<int32_t> queue;
  queue.push(from);
  parent[from] = from;
  int32_t last = from;
  while (!queue.empty()) {
    last = queue.front();
    queue.pop();
    for (int32_t e = nodeStart[last - 1]; e < nodeStart[last]; ++e) {
      if (parent[adjNode[e]] == 0) {
        parent[adjNode[e]] = last;
        queue.push(adjNode[e]);
      }
    }
  }
  std::vector<int32_t> path{last};
  while (path.back() != from) path.push_back(parent[path.back()]);
  return {path.rbegin(), path.rend()};
}

// kTargets targets along the roads: from point 1 across the map to the far
// side and, when that is not enough, on from there.
std::vector<int32_t> PointerPath() {
  std::vector<int32_t> targets{1};
  while (targets.size() < static_cast<size_t>(kTargets)) {
    const std::vector<int32_t> leg = PathToFarthest(targets.back());
    targets.insert(targets.end(), leg.begin() + 1, leg.end());
  }
  targets.resize(kTargets);
  return targets;
}

// One session after another, each with the same start and targets; timed
// call by call. The counters give the mean time per target over every call,
// and over the calls after a session's first.
template <typename Search>
void RunSessions(benchmark::State& state, void (*makeMap)(), Search search) {
  static const bool window = (CreateOffscreenMainWindow(), true);  // FindRoute shows its ticks there
  (void)window;
  makeMap();
  const std::vector<int32_t> targets = PointerPath();
  const int32_t start = nodeCount / 2;  // a click somewhere in the middle of the file
  std::vector<int64_t> distance(static_cast<size_t>(nodeCount) + 1);
  double all = 0, afterFirst = 0;
  for (auto _ : state) {
    FindRouteDirect(start, start);  // no search kept from the session before
    double session = 0;
    for (size_t i = 0; i < targets.size(); ++i) {
      const auto t0 = std::chrono::steady_clock::now();
      search(start, targets[i], distance);
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      session += seconds;
      if (i > 0) afterFirst += seconds;
    }
    all += session;
    state.SetIterationTime(session);
  }
  const double sessions = static_cast<double>(state.iterations());
  state.counters["us/target"] = all / sessions / kTargets * 1e6;
  state.counters["us/target after first"] = afterFirst / sessions / (kTargets - 1) * 1e6;
  state.counters["points"] = nodeCount;
}

void Kept(int32_t start, int32_t target, std::vector<int64_t>&) { FindRoute(start, target); }
void Direct(int32_t start, int32_t target, std::vector<int64_t>&) { FindRouteDirect(start, target); }
void Dijkstra(int32_t start, int32_t target, std::vector<int64_t>& distance) {
  HeapDijkstra(start, target, distance);
}

void LoadCapacityMap() {
  ClearMapAndRoute();
  LoadMapLayers(CapacityMapFile());
}

void BM_Hover_RoadLike_Kept(benchmark::State& state) { RunSessions(state, MakeRoadLikeMap, Kept); }
void BM_Hover_RoadLike_Direct(benchmark::State& state) { RunSessions(state, MakeRoadLikeMap, Direct); }
void BM_Hover_RoadLike_HeapDijkstra(benchmark::State& state) {
  RunSessions(state, MakeRoadLikeMap, Dijkstra);
}
void BM_Hover_Capacity_Kept(benchmark::State& state) { RunSessions(state, LoadCapacityMap, Kept); }
void BM_Hover_Capacity_Direct(benchmark::State& state) { RunSessions(state, LoadCapacityMap, Direct); }
void BM_Hover_Capacity_HeapDijkstra(benchmark::State& state) {
  RunSessions(state, LoadCapacityMap, Dijkstra);
}

BENCHMARK(BM_Hover_RoadLike_Kept)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hover_RoadLike_Direct)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hover_RoadLike_HeapDijkstra)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hover_Capacity_Kept)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hover_Capacity_Direct)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hover_Capacity_HeapDijkstra)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
