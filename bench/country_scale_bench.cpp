// Country-size maps: whole ruvel-route processes measured against `wc -l`
// of the same four files in the same run (the yardstick: a pass over every
// byte), on the generated network at ten times the million-junction
// network's area (about 10 million junctions, 14 million segments, written
// once into /tmp) and on the million-junction network itself; and, in the
// process, the phases of a load apart.
//
// With RUVEL_BEFORE_ROUTE_EXE naming another build's ruvel-route, each
// process benchmark runs that one too, alternating, for before-and-after
// figures from the same run.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/city_scale_map.h"
#include "bench/process_run.h"
#include "map/area_index.h"
#include "map/layer_loader.h"
#include "map/load_progress.h"
#include "map/map_store.h"
#include "map/road_graph.h"

namespace {

const char* const kLayerNames[] = {"Mcity.mif", "Mcity.mid", "Scity.mif", "Scity.mid"};

std::string Folder(int scale) {
  return scale == 1 ? "/tmp/ruvel-city-scale-map-v2" : "/tmp/ruvel-country-scale-map";
}

// The map's M layer file, its files written on first use.
const std::string& MapOf(int scale) {
  if (scale == 1) {
    static const std::string city = WriteCityScaleMap(Folder(1));
    return city;
  }
  static const std::string country = WriteCityScaleMap(Folder(10), 10);
  return country;
}

std::vector<std::string> LayerPaths(int scale) {
  std::vector<std::string> paths;
  for (const char* name : kLayerNames) paths.push_back(Folder(scale) + "/" + name);
  return paths;
}

double FilesMegabytes(int scale) {
  double bytes = 0;
  for (const std::string& path : LayerPaths(scale)) {
    struct stat info;
    if (::stat(path.c_str(), &info) == 0) bytes += info.st_size;
  }
  return bytes / 1e6;
}

// Sums of one kind of process over the iterations.
struct Totals {
  double seconds = 0, cpuSeconds = 0, peakMegabytes = 0;
  void Add(const ProcessRun& run) {
    seconds += run.seconds;
    cpuSeconds += run.cpuSeconds;
    peakMegabytes = std::max(peakMegabytes, run.peakMegabytes);
  }
};

// Runs `ruvel-route words...` (and the earlier build's, when named) and
// `wc -l` of the map's files by turns; reports each one's wall and CPU
// time as a multiple of wc -l's, and its peak memory against the budget of
// twice the files plus 64 MB.
void RunAgainstWc(benchmark::State& state, int scale, const std::vector<std::string>& words) {
  MapOf(scale);
  const char* before = std::getenv("RUVEL_BEFORE_ROUTE_EXE");
  Totals wc, after, earlier;
  for (auto _ : state) {
    const ProcessRun yardstick = RunProcess("wc", [&] {
      std::vector<std::string> w{"-l"};
      for (const std::string& path : LayerPaths(scale)) w.push_back(path);
      return w;
    }());
    const ProcessRun run = RunRuvelRoute(words);
    if (yardstick.seconds < 0 || run.seconds < 0) return state.SkipWithError("a process failed");
    wc.Add(yardstick);
    after.Add(run);
    if (before && *before) earlier.Add(RunProcess(before, words));
    state.SetIterationTime(run.seconds);
  }
  state.counters["x wc -l"] = after.seconds / wc.seconds;
  state.counters["cpu x wc -l"] = after.cpuSeconds / wc.cpuSeconds;
  state.counters["wc -l s"] = wc.seconds / static_cast<double>(state.iterations());
  state.counters["peak MB"] = after.peakMegabytes;
  state.counters["budget MB"] = 2 * FilesMegabytes(scale) + 64;
  if (earlier.seconds > 0) {
    state.counters["before x wc -l"] = earlier.seconds / wc.seconds;
    state.counters["before cpu x wc -l"] = earlier.cpuSeconds / wc.cpuSeconds;
    state.counters["before peak MB"] = earlier.peakMegabytes;
  }
}

void BM_CountryScale_InfoProcess(benchmark::State& state) {
  RunAgainstWc(state, static_cast<int>(state.range(0)), {"info", MapOf(static_cast<int>(state.range(0)))});
}
BENCHMARK(BM_CountryScale_InfoProcess)
    ->Arg(10)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// route (one pair), find (every name folded and searched) and render at
// zoom 6, which draws through the area index, at ten million junctions.
void BM_CountryScale_OtherCommands(benchmark::State& state) {
  const std::string& map = MapOf(10);
  const std::vector<std::vector<std::string>> commands = {
      {"route", map, "1", "9000000"},
      {"find", map, "junction 9999999"},
      {"render", map, "/tmp/ruvel-country-scale-map/zoom6.png", "--zoom", "6"}};
  const std::vector<std::string>& words = commands[static_cast<size_t>(state.range(0))];
  for (auto _ : state) {
    const ProcessRun run = RunRuvelRoute(words);
    if (run.seconds < 0) return state.SkipWithError("ruvel-route failed");
    state.SetIterationTime(run.seconds);
    state.counters["peak MB"] = run.peakMegabytes;
    state.counters["cpu s"] = run.cpuSeconds;
  }
}
BENCHMARK(BM_CountryScale_OtherCommands)
    ->DenseRange(0, 2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The phases of a load in the process, apart: reading the files, building
// the graph (the switch of the load's phase, watched), and the area index.
void BM_CountryScale_LoadPhases(benchmark::State& state) {
  const std::string& map = MapOf(static_cast<int>(state.range(0)));
  double read = 0, graph = 0, index = 0;
  for (auto _ : state) {
    ClearMapStore();
    LoadProgress progress;
    std::atomic<bool> done{false};
    const auto start = std::chrono::steady_clock::now();
    auto graphStart = start;
    std::thread watcher([&] {
      while (!done && progress.phase == LoadProgress::kReading)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      graphStart = std::chrono::steady_clock::now();
    });
    LoadMapLayers(map, &progress);
    done = true;
    watcher.join();
    const auto loaded = std::chrono::steady_clock::now();
    BuildMapAreaIndex();
    const auto indexed = std::chrono::steady_clock::now();
    read += std::chrono::duration<double>(graphStart - start).count();
    graph += std::chrono::duration<double>(loaded - graphStart).count();
    index += std::chrono::duration<double>(indexed - loaded).count();
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["read s"] = read / runs;
  state.counters["graph s"] = graph / runs;
  state.counters["index s"] = index / runs;
  ClearMapStore();
}
BENCHMARK(BM_CountryScale_LoadPhases)->Arg(10)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
