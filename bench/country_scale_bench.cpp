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

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>
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
#include "route/directed_graph.h"
#include "route/fast_route_search.h"
#include "route/hierarchy_cache.h"
#include "route/hierarchy_query.h"

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
// twice the files plus 64 MB. The two builds take turns to run first after
// wc -l: on a virtual machine whose host takes freed memory back every few
// seconds, the first run after a pause pays for fresh memory that the one
// right after it reuses, which at ten million junctions is a fifth of the
// time.
void RunAgainstWc(benchmark::State& state, int scale, const std::vector<std::string>& words) {
  MapOf(scale);
  const char* before = std::getenv("RUVEL_BEFORE_ROUTE_EXE");
  const bool compared = before && *before;
  Totals wc, after, earlier;
  bool earlierFirst = false;
  for (auto _ : state) {
    const ProcessRun yardstick = RunProcess("wc", [&] {
      std::vector<std::string> w{"-l"};
      for (const std::string& path : LayerPaths(scale)) w.push_back(path);
      return w;
    }());
    if (compared && earlierFirst) earlier.Add(RunProcess(before, words));
    const ProcessRun run = RunRuvelRoute(words);
    if (compared && !earlierFirst) earlier.Add(RunProcess(before, words));
    earlierFirst = !earlierFirst;
    if (yardstick.seconds < 0 || run.seconds < 0) return state.SkipWithError("a process failed");
    wc.Add(yardstick);
    after.Add(run);
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
    ->Iterations(4);

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
      while (!done && LoadProgress::IsReading(progress.phase))
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

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Loading the hierarchy of ten million junctions from its cache file, in
// the process, the map loaded: `ruvel-route prepare` writes the file into a
// cache folder of the benchmark's own on the first run (some three
// minutes), and later runs find it there. Then routes between random pairs
// from scratch (searched, unpacked, checked and marked), their mean and
// worst processor time in milliseconds.
void BM_CountryScale_CacheLoad(benchmark::State& state) {
  const std::string folder = "/tmp/ruvel-country-scale-cache";
  setenv("XDG_CACHE_HOME", folder.c_str(), 1);
  if (RunRuvelRoute({"prepare", MapOf(10)}).seconds < 0) return state.SkipWithError("prepare failed");
  LoadMapLayers(MapOf(10));
  const DirectedGraph graph = SnapshotRoadGraph();
  const HierarchyCache cache(folder + "/ruvel");
  std::unique_ptr<ContractionHierarchy> hierarchy;
  for (auto _ : state) {
    hierarchy.reset();  // the last one's memory given back before the clock starts
    const auto start = std::chrono::steady_clock::now();
    hierarchy = cache.Load(graph);
    state.SetIterationTime(SecondsSince(start));
    if (!hierarchy) return state.SkipWithError("the cache holds no sound hierarchy");
  }
  std::mt19937 random(24);
  std::uniform_int_distribution<int32_t> code(1, nodeCount);
  HierarchyQuery query;
  bool bad = false;
  FindRouteInHierarchy(*hierarchy, query, 1, nodeCount, bad);  // sizes the search's arrays
  double total = 0, worst = 0;
  constexpr int kRoutes = 1000;
  for (int k = 0; k < kRoutes; ++k) {
    const double start = ThreadSeconds();
    FindRouteInHierarchy(*hierarchy, query, code(random), code(random), bad);
    const double seconds = ThreadSeconds() - start;
    if (bad) return state.SkipWithError("the hierarchy proved bad");
    total += seconds;
    worst = std::max(worst, seconds);
  }
  state.counters["route mean ms"] = total / kRoutes * 1e3;
  state.counters["route worst ms"] = worst * 1e3;
  ClearMapStore();
}
BENCHMARK(BM_CountryScale_CacheLoad)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
