#include <benchmark/benchmark.h>

#include <string>

#include "bench/capacity_map.h"
#include "bench/process_run.h"
#include "map/layer_loader.h"
#include "map/map_store.h"
#include "map/road_graph.h"

namespace {

// Reading all four files of the capacity map and building its graph.
void BM_LoadMapLayers(benchmark::State& state) {
  const std::string& file = CapacityMapFile();
  for (auto _ : state) {
    state.PauseTiming();  // emptying the store of the last load is not loading
    ClearMapStore();
    state.ResumeTiming();
    LoadMapLayers(file);
  }
  state.counters["points"] = pointCount;
  state.counters["entries"] = adjCount;
}
BENCHMARK(BM_LoadMapLayers)->Unit(benchmark::kMillisecond);

// The graph build alone, on the loaded capacity map.
void BM_BuildRoadGraph(benchmark::State& state) {
  ClearMapStore();
  LoadMapLayers(CapacityMapFile());
  for (auto _ : state) BuildRoadGraph();
  state.counters["entries"] = adjCount;
}
BENCHMARK(BM_BuildRoadGraph)->Unit(benchmark::kMillisecond);

// The wall time of a whole `ruvel-route info` process on the capacity map,
// from its start to its end: starting the program, loading, printing.
void BM_RuvelRouteInfo(benchmark::State& state) {
  const std::string& file = CapacityMapFile();
  for (auto _ : state) {
    const ProcessRun run = RunRuvelRoute({"info", file});
    if (run.seconds < 0) return state.SkipWithError("ruvel-route info failed");
    state.SetIterationTime(run.seconds);
  }
}
BENCHMARK(BM_RuvelRouteInfo)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
