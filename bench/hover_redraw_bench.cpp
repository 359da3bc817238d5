// Hover sessions through the window's own handlers, drawing included: a
// click, then 1,000 pointer moves along a path across the whole-map view,
// on the million-junction network and on the capacity map. Each move is
// timed; the counters give the mean of the moves that change the nearest
// point (search, marks, redraw) and of those that keep it, the click and
// the worst single move. "FullDraw" paints the whole view on every move, as
// the window did before it redrew only what changed. "RedrawOnly" runs the
// same session on a 1280 x 800 image and times the redraw of each move
// alone, the nearest point and the route search left out (the "keeping"
// moves then time the cursor mark's move alone).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>

#include "app/main_form.h"
#include "app/map_handlers.h"
#include "app/offscreen_window.h"
#include "bench/capacity_map.h"
#include "bench/city_scale_map.h"
#include "map/layer_loader.h"
#include "map/map_store.h"
#include "route/route_search.h"
#include "toolkit/image.h"
#include "view/map_image.h"
#include "view/map_transform.h"
#include "view/nearest_point.h"

namespace {

constexpr int kMoves = 1000;

void OpenMap(const std::string& file) {
  static const bool window = (CreateOffscreenMainWindow(), true);
  (void)window;
  ClearMapAndRoute();
  LoadMapLayers(file);
  fMain->ImageM->Visible(true);
  fMain->DrawMap();
}

double Since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// The pointer's path: from near the top left corner to near the bottom
// right one, wavering a little, as a hand moves.
void PointerAt(int move, int& x, int& y) {
  const int width = fMain->ImageM->Width(), height = fMain->ImageM->Height();
  const double t = static_cast<double>(move) / kMoves;
  x = static_cast<int>(5 + t * (width - 10) + 3 * std::sin(move * 0.37));
  y = static_cast<int>(5 + t * (height - 10) + 3 * std::cos(move * 0.23));
}

// How a session's moves are timed: each move whole, as the window makes it
// (after forgetting the picture, so that the whole view is painted); or the
// redraw alone, the nearest point and the route search done before it.
enum class Timing { kWholeMove, kWholeMoveFullDraw, kRedrawOnly };

// Moves the pointer to (x, y) as the window does; returns the milliseconds
// of what timing says.
double TimedMove(int x, int y, Timing timing) {
  if (timing == Timing::kRedrawOnly) {
    MapView& view = fMain->mapView;
    view.pointerX = x;
    view.pointerY = y;
    MakeCurrentPoint(fMain, NearestPoint(PixelToMapX(view, x), PixelToMapY(view, y)));
    const auto t0 = std::chrono::steady_clock::now();
    fMain->RedrawMap();
    return Since(t0);
  }
  if (timing == Timing::kWholeMoveFullDraw) ForgetMapImage();
  const auto t0 = std::chrono::steady_clock::now();
  fMain->ImageMMouseMove(fMain->ImageM, 0, x, y);
  return Since(t0);
}

void RunHover(benchmark::State& state, const std::string& file, Timing timing) {
  OpenMap(file);
  double changing = 0, keeping = 0, click = 0, worst = 0;
  int changed = 0, kept = 0;
  for (auto _ : state) {
    if (timing == Timing::kRedrawOnly) SizeMapImage(1280, 800);
    ClearMapAndRoute();
    LoadMapLayers(file);
    fMain->DrawMap();
    int x = 0, y = 0;
    PointerAt(0, x, y);
    fMain->ImageMMouseMove(fMain->ImageM, 0, x, y);
    const auto t0 = std::chrono::steady_clock::now();
    fMain->ImageMMouseDown(fMain->ImageM, mbLeft, 0, x, y);
    click += Since(t0);
    double session = 0;
    for (int move = 1; move <= kMoves; ++move) {
      PointerAt(move, x, y);
      const int32_t before = currentPoint;
      const double ms = TimedMove(x, y, timing);
      session += ms;
      worst = std::max(worst, ms);
      if (currentPoint != before) {
        changing += ms;
        ++changed;
      } else {
        keeping += ms;
        ++kept;
      }
    }
    state.SetIterationTime(session / 1e3);
  }
  state.counters["changing ms"] = changed ? changing / changed : 0;
  state.counters["keeping ms"] = kept ? keeping / kept : 0;
  state.counters["changing moves"] = static_cast<double>(changed) / state.iterations();
  state.counters["click ms"] = click / state.iterations();
  state.counters["worst ms"] = worst;
}

const std::string kCity = "/tmp/ruvel-city-scale-map-v2";

void BM_HoverRedraw_City(benchmark::State& state) {
  RunHover(state, WriteCityScaleMap(kCity), Timing::kWholeMove);
}
void BM_HoverFullDraw_City(benchmark::State& state) {
  RunHover(state, WriteCityScaleMap(kCity), Timing::kWholeMoveFullDraw);
}
void BM_HoverRedraw_Capacity(benchmark::State& state) {
  RunHover(state, CapacityMapFile(), Timing::kWholeMove);
}
void BM_HoverFullDraw_Capacity(benchmark::State& state) {
  RunHover(state, CapacityMapFile(), Timing::kWholeMoveFullDraw);
}
void BM_RedrawOnly_City(benchmark::State& state) {
  RunHover(state, WriteCityScaleMap(kCity), Timing::kRedrawOnly);
}
void BM_RedrawOnly_Capacity(benchmark::State& state) {
  RunHover(state, CapacityMapFile(), Timing::kRedrawOnly);
}

BENCHMARK(BM_HoverRedraw_City)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_HoverFullDraw_City)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_HoverRedraw_Capacity)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_HoverFullDraw_Capacity)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
// Last: they leave the image at 1280 x 800.
BENCHMARK(BM_RedrawOnly_City)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_RedrawOnly_Capacity)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
