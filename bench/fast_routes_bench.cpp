// Fast routes on the million-junction network, one road in ten one-way and
// the graph weighed by durations (speeds varying by road): preparing the
// contraction hierarchy (time, and peak memory against the memory of the
// loaded map), loading it from the cache, and routes from scratch on random
// pairs (unpacking and checking included) against the kept Dijkstra's
// first far route from a new start, the yardstick. Times are the processor
// time of the thread, so that other work on the machine does not count,
// but for preparing, which takes both threads as `ruvel-route prepare` does.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "bench/city_scale_map.h"
#include "bench/process_run.h"
#include "map/layer_loader.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/contraction_hierarchy.h"
#include "route/fast_route_search.h"
#include "route/hierarchy_cache.h"
#include "route/hierarchy_file.h"
#include "route/route_search.h"

namespace {

constexpr const char* kCacheFolder = "/tmp/ruvel-fast-routes-bench-cache";

// A line of /proc/self/status in megabytes: VmRSS now, VmHWM the peak.
double StatusMegabytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string word; status >> word;) {
    double kilobytes = 0;
    if (word == key + ":" && status >> kilobytes) return kilobytes / 1024;
  }
  return 0;
}

// Forgets the peak resident memory so far: VmHWM starts again from VmRSS.
void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The network loaded once, with its one-way roads and durations, graph
// weighed by durations; its hierarchy built once.
struct Network {
  Network() {
    ClearMapStore();
    LoadMapLayers(WriteCityScaleMap("/tmp/ruvel-city-scale-map-v2"));
    segmentOneway.assign(segmentCount, 0);
    segmentDuration.resize(segmentCount);
    for (int32_t j = 0; j < segmentCount; ++j) {
      if (j % 10 == 3) segmentOneway[j] = j % 20 == 3 ? 1 : -1;
      const int32_t kmh = 30 + 20 * (j % 4);  // tenths of a second over metres at 30..90 km/h
      segmentDuration[j] = static_cast<int32_t>(int64_t{segments[j].Length} * 36 / kmh);
    }
    graphWeighsDurations = true;
    BuildRoadGraph();
    loadedMegabytes = StatusMegabytes("VmRSS");
    ResetPeakMemory();
    const auto t0 = std::chrono::steady_clock::now();  // wall time: prepare uses both threads
    hierarchy = BuildContractionHierarchy(SnapshotRoadGraph(), nullptr, 2);
    prepareSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    peakMegabytes = StatusMegabytes("VmHWM");
  }
  double loadedMegabytes = 0, prepareSeconds = 0, peakMegabytes = 0;
  std::unique_ptr<ContractionHierarchy> hierarchy;
};

Network& TheNetwork() {
  static Network network;
  return network;
}

void BM_FastRoutes_Prepare(benchmark::State& state) {
  Network& network = TheNetwork();
  for (auto _ : state) state.SetIterationTime(network.prepareSeconds);
  state.counters["loaded MB"] = network.loadedMegabytes;
  state.counters["peak MB"] = network.peakMegabytes;
  state.counters["peak / loaded"] = network.peakMegabytes / network.loadedMegabytes;
  state.counters["arcs"] = static_cast<double>(network.hierarchy->arcs.size());
  state.counters["file MB"] = static_cast<double>(HierarchyFileSize(*network.hierarchy)) / 1e6;
}
BENCHMARK(BM_FastRoutes_Prepare)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

void BM_FastRoutes_CacheLoad(benchmark::State& state) {
  const HierarchyCache cache(kCacheFolder);
  if (cache.Save(*TheNetwork().hierarchy) != HierarchyCache::Saved::kYes) state.SkipWithError("cannot save");
  const DirectedGraph graph = SnapshotRoadGraph();
  for (auto _ : state) benchmark::DoNotOptimize(cache.Load(graph));
  unlink(cache.PathFor(TheNetwork().hierarchy->graphHash).c_str());
  rmdir(kCacheFolder);
}
BENCHMARK(BM_FastRoutes_CacheLoad)->Unit(benchmark::kMillisecond)->Iterations(3);

// Routes on random pairs from scratch; counters in milliseconds: the
// hierarchy's mean and worst, the kept Dijkstra's first route from a new
// start to a far target (its mean), and their ratio.
void BM_FastRoutes_RouteFromScratch(benchmark::State& state) {
  Network& network = TheNetwork();
  std::mt19937 random(25);
  std::uniform_int_distribution<int32_t> code(1, nodeCount);
  HierarchyQuery query;
  bool bad = false;
  FindRouteInHierarchy(*network.hierarchy, query, 1, nodeCount, bad);  // sizes the query's arrays
  double total = 0, worst = 0;
  int64_t routes = 0;
  for (auto _ : state) {
    for (int k = 0; k < 1000; ++k) {
      const int32_t start = code(random), target = code(random);
      const double t0 = ThreadSeconds();
      FindRouteInHierarchy(*network.hierarchy, query, start, target, bad);
      const double seconds = ThreadSeconds() - t0;
      if (bad) state.SkipWithError("the hierarchy proved bad");
      total += seconds;
      worst = std::max(worst, seconds);
      ++routes;
    }
  }
  double dijkstra = 0;
  constexpr int kFarRoutes = 10;
  for (int k = 0; k < kFarRoutes; ++k) {
    const double t0 = ThreadSeconds();
    FindRouteDirect(code(random), code(random));
    dijkstra += ThreadSeconds() - t0;
  }
  state.counters["mean ms"] = total / routes * 1e3;
  state.counters["worst ms"] = worst * 1e3;
  state.counters["Dijkstra ms"] = dijkstra / kFarRoutes * 1e3;
  state.counters["Dijkstra / mean"] = dijkstra / kFarRoutes / (total / routes);
}
BENCHMARK(BM_FastRoutes_RouteFromScratch)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
