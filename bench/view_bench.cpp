// The map view at capacity on a 1280 x 800 image, at zoom levels from 0 (the
// whole map) to 16: one redraw, and one pointer move that changes the
// nearest point (scan, route search, redraw).
#include <benchmark/benchmark.h>

#include <string>
#include <utility>

#include "app/main_form.h"
#include "app/offscreen_window.h"
#include "bench/capacity_map.h"
#include "map/layer_loader.h"
#include "map/map_store.h"
#include "route/route_search.h"
#include "toolkit/controls.h"
#include "toolkit/image.h"
#include "view/map_transform.h"
#include "view/map_zoom.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 800;
// On the capacity map the first 400 junctions form the first grid row,
// joined west to east: a route along it has up to 400 points.
constexpr int32_t kRowStart = 0;
constexpr int32_t kRowEnd = 399;
constexpr int32_t kNextToRowEnd = 398;

// Makes the hidden main window, its image 1280 x 800; the capacity map's path.
const std::string& MakeWindowAndCapacityMap() {
  CreateOffscreenMainWindow();
  SizeMapImage(kWidth, kHeight);
  return CapacityMapFile();
}

// The hidden main window with the capacity map loaded and drawn once (which
// sets the scales). The window and the map's files are made on the first
// call; the map is loaded on every call, since other benchmarks change the
// store.
void OpenCapacityMap() {
  static const std::string& file = MakeWindowAndCapacityMap();
  ClearMapAndRoute();
  LoadMapLayers(file);
  fMain->DrawMap();
}

// The pixel of point index, where the pointer is put to reach it.
struct Pixel {
  int x;
  int y;
};
Pixel PixelOf(int32_t index) {
  return {MapToPixelX(fMain->mapView, points[index].X), MapToPixelY(fMain->mapView, points[index].Y)};
}

void MoveTo(Pixel at) { fMain->ImageMMouseMove(fMain->ImageM, 0, at.x, at.y); }

// Moves onto the row's first junction and presses there: the start point.
void StartAtRowStart() {
  const Pixel start = PixelOf(kRowStart);
  MoveTo(start);
  fMain->ImageMMouseDown(fMain->ImageM, mbLeft, 0, start.x, start.y);
}

// Zooms to the level given as the benchmark's argument, centred between the
// row's last two junctions (at level 0, the whole map).
void ZoomTo(const benchmark::State& state) {
  SetZoom(fMain->mapView, static_cast<int32_t>(state.range(0)),
          (static_cast<double>(points[kRowEnd].X) + points[kNextToRowEnd].X) / 2,
          -(static_cast<double>(points[kRowEnd].Y) + points[kNextToRowEnd].Y) / 2);
  fMain->DrawMap();
}

// Two pixels whose nearest points differ, the row's last two junctions: at
// level 0 their own pixels, above it pixels either side of the view's
// centre, the midpoint between them.
std::pair<Pixel, Pixel> TwoNearestPoints() {
  if (fMain->mapView.zoomLevel == 0) return {PixelOf(kRowEnd), PixelOf(kNextToRowEnd)};
  const bool endIsRight = points[kRowEnd].X > points[kNextToRowEnd].X;
  const Pixel left{kWidth / 2 - 3, kHeight / 2}, right{kWidth / 2 + 3, kHeight / 2};
  return endIsRight ? std::pair{right, left} : std::pair{left, right};
}

// The whole view with a route along the row in red and its two end marks.
void BM_DrawMap(benchmark::State& state) {
  OpenCapacityMap();
  StartAtRowStart();
  MoveTo(PixelOf(kRowEnd));
  ZoomTo(state);
  for (auto _ : state) fMain->DrawMap();
  fMain->ShowWholeMap();
  state.counters["route"] = std::stoi(fMain->EditL->Text());
}
BENCHMARK(BM_DrawMap)->Unit(benchmark::kMillisecond)->DenseRange(0, 4)->Arg(8)->Arg(12)->Arg(16);

// Moves that each change the nearest point, between the row's last two
// junctions: every move scans all points, searches the route from the row's
// start and redraws.
void BM_PointerMoveToNewPoint(benchmark::State& state) {
  OpenCapacityMap();
  StartAtRowStart();
  ZoomTo(state);
  const auto [first, second] = TwoNearestPoints();
  const Pixel targets[] = {first, second};
  int next = 0;
  for (auto _ : state) {
    const int32_t before = currentPoint;
    MoveTo(targets[next]);
    next ^= 1;
    if (currentPoint == before) state.SkipWithError("the move kept the nearest point");
  }
  fMain->ShowWholeMap();
  state.counters["route"] = std::stoi(fMain->EditL->Text());
}
BENCHMARK(BM_PointerMoveToNewPoint)
    ->Unit(benchmark::kMillisecond)
    ->DenseRange(0, 4)
    ->Arg(8)
    ->Arg(12)
    ->Arg(16);

// A move within the same nearest point: the scan and the redraw, no search.
void BM_PointerMoveWithinPoint(benchmark::State& state) {
  OpenCapacityMap();
  StartAtRowStart();
  const Pixel target = PixelOf(kRowEnd);
  MoveTo(target);
  for (auto _ : state) MoveTo(target);
}
BENCHMARK(BM_PointerMoveWithinPoint)->Unit(benchmark::kMillisecond);

}  // namespace
