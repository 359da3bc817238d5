// The window on large maps, driven in-process as a user drives it (the
// offscreen platform, the window's own handlers, its workers and its timer):
//
// - WindowOpen: File, Open to the map shown, against `ruvel-route info` of
//   the same map and `wc -l` of its four files in the same run (the target:
//   under info's time + 3 x wc -l's), with the load's phases apart (read,
//   graph, index, and the first drawing with the hand-over), when the status
//   line first tells the load (the target: within 250 ms), and the first
//   pointer moves after the map is shown, while fast routes are prepared
//   beside them (the target: under 50 ms).
// - WindowHover: fast routes ready (from the cache, else prepared by the
//   window's worker and waited for), a click, then 1,000 pointer moves
//   across the whole-map view with 3 more clicks; every move timed (the
//   target: each under 16 ms, the first after each click included).
//
// Arg 10 is the ten-million-junction network (a benchmark skips itself
// when it is not there; the "road map" counter tells whether it has a Class
// column and opens as a road map), 1 the million-junction one with its Class
// column (a road map), 0 the same without classes (the plain drawing),
// written on first use. The hierarchies live in
// /tmp/ruvel-window-bench-cache (XDG_CACHE_HOME is pointed there), so that a
// second run finds them; `ruvel-route prepare MAP` with
// XDG_CACHE_HOME=/tmp/ruvel-window-bench-cache fills it ahead.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/background_task.h"
#include "app/main_form.h"
#include "app/offscreen_window.h"
#include "bench/city_scale_map.h"
#include "bench/process_run.h"
#include "map/load_progress.h"
#include "map/map_store.h"
#include "route/fast_route_search.h"
#include "toolkit/controls.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"

namespace {

constexpr int kMoves = 1000;
constexpr int kWidth = 1280, kHeight = 800;
const char* const kLayerNames[] = {"Mcity.mif", "Mcity.mid", "Scity.mif", "Scity.mid"};

constexpr int64_t kCountry = 10, kCityRoadMap = 1, kCityPlain = 0;

std::string FolderOf(int64_t map) {
  if (map == kCountry) return "/tmp/ruvel-country-scale-map";
  return map == kCityRoadMap ? "/tmp/ruvel-city-scale-map-v2" : "/tmp/ruvel-window-bench-plain-city";
}

// Copies the layer file from `from` into `to`, its segments' Class column
// left out (the last column, of letters and '_').
void CopyWithoutClasses(const std::string& from, const std::string& to, bool header) {
  std::ifstream in(from);
  std::ofstream out(to);
  for (std::string line; std::getline(in, line);) {
    if (header && line.find("Class Char") != std::string::npos) continue;
    if (header && line == "Columns 4") line = "Columns 3";
    if (!header) line.erase(line.rfind(','));
    out << line << '\n';
  }
}

// The million-junction network without its road classes, drawn as the
// plain map is: written from the classed one once.
void WritePlainCity() {
  const std::string classed = FolderOf(kCityRoadMap), plain = FolderOf(kCityPlain);
  if (std::filesystem::exists(plain + "/Scity.mid")) return;
  WriteCityScaleMap(classed);
  std::filesystem::create_directories(plain);
  for (const char* name : {"Mcity.mif", "Mcity.mid"})
    std::filesystem::copy_file(classed + "/" + name, plain + "/" + name,
                               std::filesystem::copy_options::overwrite_existing);
  CopyWithoutClasses(classed + "/Scity.mif", plain + "/Scity.tmp", true);
  std::filesystem::rename(plain + "/Scity.tmp", plain + "/Scity.mif");
  CopyWithoutClasses(classed + "/Scity.mid", plain + "/Scity.tmp", false);
  std::filesystem::rename(plain + "/Scity.tmp", plain + "/Scity.mid");
}

// The map's M layer path, the million-junction networks written on first
// use; empty when one of the ten-million-junction network's files is not
// there.
std::string MapOf(int64_t map) {
  if (map == kCityRoadMap) WriteCityScaleMap(FolderOf(map));
  if (map == kCityPlain) WritePlainCity();
  for (const char* name : kLayerNames)
    if (!std::filesystem::exists(FolderOf(map) + "/" + name)) return "";
  return FolderOf(map) + "/Mcity.mif";
}

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// The offscreen window, created once, its map image 1280 x 800, with its
// hierarchy cache and settings in folders of the benchmark's own.
void MakeWindow() {
  static const bool made = [] {
    setenv("XDG_CACHE_HOME", "/tmp/ruvel-window-bench-cache", 1);
    setenv("XDG_CONFIG_HOME", "/tmp/ruvel-window-bench-config", 1);  // the recent-maps list
    CreateOffscreenMainWindow();
    SizeMapImage(kWidth, kHeight);
    return true;
  }();
  (void)made;
}

// Runs the window's events until done() says so, waiting for each as the
// window's event loop does, so that the workers have both cores.
void RunEventsUntil(const std::function<bool()>& done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// The moments of a load, in milliseconds from File, Open: when the status
// line first showed it, when each phase was first seen, when the map was
// shown.
struct OpenTimes {
  double progress = -1, graph = -1, index = -1, shown = 0;
};

// Closes any map, then opens path as File, Open does and runs the window's
// events until the map is shown.
OpenTimes OpenInWindow(const std::string& path) {
  fMain->Close1Click(nullptr);
  OpenTimes times;
  const Clock::time_point t0 = Clock::now();
  fMain->OpenGivenMap(path);
  RunEventsUntil([&] {
    const double now = MillisecondsSince(t0);
    if (times.progress < 0 && !fMain->StatusBar1->SimpleText().empty()) times.progress = now;
    const int phase = fMain->mapWork->Progress().phase;
    if (times.graph < 0 && !LoadProgress::IsReading(phase)) times.graph = now;
    if (times.index < 0 && phase == LoadProgress::kIndexing) times.index = now;
    return !fMain->MapBusy();
  });
  times.shown = MillisecondsSince(t0);
  return times;
}

// The pointer's path: from near the top left corner of the whole-map view
// to near the bottom right one, wavering a little, as a hand moves.
void PointerAt(int move, int& x, int& y) {
  const double t = static_cast<double>(move) / kMoves;
  x = static_cast<int>(5 + t * (kWidth - 10) + 3 * std::sin(move * 0.37));
  y = static_cast<int>(5 + t * (kHeight - 10) + 3 * std::cos(move * 0.23));
}

double TimedMove(int x, int y) {
  const Clock::time_point t0 = Clock::now();
  fMain->ImageMMouseMove(fMain->ImageM, 0, x, y);
  return MillisecondsSince(t0);
}

double TimedClick(int x, int y) {
  const Clock::time_point t0 = Clock::now();
  fMain->ImageMMouseDown(fMain->ImageM, mbLeft, 0, x, y);
  return MillisecondsSince(t0);
}

ProcessRun WcOf(int64_t map) {
  std::vector<std::string> words{"-l"};
  for (const char* name : kLayerNames) words.push_back(FolderOf(map) + "/" + name);
  return RunProcess("wc", words);
}

// Each benchmark on the three maps, twice.
void OnEveryMap(benchmark::internal::Benchmark* family) {
  family->Arg(kCountry)->Arg(kCityRoadMap)->Arg(kCityPlain)->UseManualTime()->Unit(benchmark::kMillisecond);
  family->Iterations(2);
}

void BM_WindowOpen(benchmark::State& state) {
  const std::string path = MapOf(state.range(0));
  if (path.empty()) return state.SkipWithError("the map is not there");
  MakeWindow();
  double wc = 0, info = 0, open = 0, progress = 0, read = 0, graph = 0, index = 0, shown = 0;
  double firstMove = 0, worstEarlyMove = 0;
  bool roadMap = false;
  for (auto _ : state) {
    fMain->Close1Click(nullptr);
    const ProcessRun yardstick = WcOf(state.range(0));
    const ProcessRun infoRun = RunRuvelRoute({"info", path});
    if (yardstick.seconds < 0 || infoRun.seconds < 0) return state.SkipWithError("a process failed");
    const OpenTimes times = OpenInWindow(path);
    roadMap = fMain->RoadMap1->Checked();
    // The first moves after the map is shown, fast routes being prepared.
    int x = kWidth / 2, y = kHeight / 2;
    firstMove += TimedMove(x, y);
    for (int move = 1; move < 10; ++move) {
      PointerAt(move * 50, x, y);
      worstEarlyMove = std::max(worstEarlyMove, TimedMove(x, y));
    }
    wc += yardstick.seconds * 1e3;
    info += infoRun.seconds * 1e3;
    open += times.shown;
    progress += times.progress;
    read += times.graph;
    graph += times.index - times.graph;
    index += times.shown - times.index;  // indexing, then the hand-over and the first drawing
    const Clock::time_point t0 = Clock::now();
    fMain->DrawMap();
    shown += MillisecondsSince(t0);
    state.SetIterationTime(times.shown / 1e3);
  }
  fMain->Close1Click(nullptr);
  const double runs = static_cast<double>(state.iterations());
  state.counters["open ms"] = open / runs;
  state.counters["info ms"] = info / runs;
  state.counters["wc -l ms"] = wc / runs;
  state.counters["open / (info + 3 wc)"] = open / (info + 3 * wc);
  state.counters["open x wc -l"] = open / wc;
  state.counters["progress ms"] = progress / runs;
  state.counters["read ms"] = read / runs;
  state.counters["graph ms"] = graph / runs;
  state.counters["index+shown ms"] = index / runs;
  state.counters["drawing ms"] = shown / runs;
  state.counters["first move ms"] = firstMove / runs;
  state.counters["next moves worst ms"] = worstEarlyMove;
  state.counters["road map"] = roadMap;
}
BENCHMARK(BM_WindowOpen)->Apply(OnEveryMap);

// A click, then kMoves moves with three more clicks evenly among them; fast
// routes ready. Counters: the mean and worst move, the worst first move
// after a click, the worst click, the moves over a 60 Hz frame, and the
// worst move against wc -l of the map's files in the same run.
void BM_WindowHover(benchmark::State& state) {
  const std::string path = MapOf(state.range(0));
  if (path.empty()) return state.SkipWithError("the map is not there");
  MakeWindow();
  OpenInWindow(path);
  RunEventsUntil([] { return !fMain->routeWork->Running(); });
  if (!fMain->fastRoutes->Ready()) return state.SkipWithError("no fast routes");
  double total = 0, worst = 0, worstAfterClick = 0, worstClick = 0, wc = 0;
  int64_t moves = 0, overFrame = 0;
  for (auto _ : state) {
    wc += WcOf(state.range(0)).seconds * 1e3;
    int x = 0, y = 0;
    PointerAt(0, x, y);
    fMain->ImageMMouseMove(fMain->ImageM, 0, x, y);
    double session = 0;
    for (int move = 1; move <= kMoves; ++move) {
      const bool afterClick = (move - 1) % (kMoves / 4) == 0;
      if (afterClick) worstClick = std::max(worstClick, TimedClick(x, y));
      PointerAt(move, x, y);
      const double ms = TimedMove(x, y);
      session += ms;
      worst = std::max(worst, ms);
      if (afterClick) worstAfterClick = std::max(worstAfterClick, ms);
      overFrame += ms >= 16;
      ++moves;
    }
    total += session;
    state.SetIterationTime(session / 1e3);
  }
  fMain->Close1Click(nullptr);
  state.counters["mean ms"] = total / static_cast<double>(moves);
  state.counters["worst ms"] = worst;
  state.counters["worst after click ms"] = worstAfterClick;
  state.counters["worst click ms"] = worstClick;
  state.counters["moves >= 16 ms"] = static_cast<double>(overFrame);
  state.counters["worst / wc -l"] = worst / (wc / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_WindowHover)->Apply(OnEveryMap);

}  // namespace
