#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <chrono>
#include <string>

#include "bench/capacity_map.h"
#include "map/layer_loader.h"
#include "map/map_store.h"
#include "map/road_graph.h"

extern char** environ;

namespace {

// The capacity map's files, written once per run into a fresh folder.
const std::string& CapacityMapFile() {
  static const std::string path = [] {
    char folder[] = "/tmp/ruvel-bench-XXXXXX";
    return WriteCapacityMap(mkdtemp(folder));
  }();
  return path;
}

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
  char* const argv[] = {const_cast<char*>(RUVEL_ROUTE_EXE), const_cast<char*>("info"),
                        const_cast<char*>(file.c_str()), nullptr};
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int status = 0;
    if (posix_spawn(&pid, RUVEL_ROUTE_EXE, &quiet, nullptr, argv, environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("ruvel-route info failed");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  posix_spawn_file_actions_destroy(&quiet);
}
BENCHMARK(BM_RuvelRouteInfo)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
