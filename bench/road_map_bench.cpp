// Drawing road maps: the whole-map view of the million-junction network
// with classes painted anew, and the redraw after a pointer move that
// changes the route (the search not timed) there and on the capacity map
// with classes. The plain drawing of the same view is the yardstick of the
// same run.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "bench/capacity_map.h"
#include "bench/city_scale_map.h"
#include "map/layer_loader.h"
#include "map/map_store.h"
#include "route/route_search.h"
#include "toolkit/graphics.h"
#include "view/map_image.h"
#include "view/map_transform.h"
#include "view/road_map_renderer.h"

namespace {

// A large window's map area.
constexpr int32_t kWidth = 1366, kHeight = 768;

// Loads the map unless it is loaded already; false when it has no road
// classes to draw by.
bool Load(const std::string& file) {
  static std::string loaded;
  if (loaded != file) {
    ClearMapAndRoute();
    LoadMapLayers(file);
    loaded = file;
  }
  return !segmentClass.empty();
}

const std::string& CityMap() {
  static const std::string path = WriteCityScaleMap("/tmp/ruvel-road-map-city");
  return path;
}

MapView WholeMapView(bool proportional) {
  MapView view;
  view.width = kWidth;
  view.height = kHeight;
  view.proportional = proportional;
  return view;
}

// The whole-map view painted anew on every iteration: as a road map (its
// map layer too) or plainly.
void FullDrawing(benchmark::State& state, const std::string& file, bool roadMap) {
  if (!Load(file)) return state.SkipWithError("the loader read no Class column");
  ClearRouteMarks();
  RoadMapRenderer renderer;
  TBitmap bitmap;
  MapView view = WholeMapView(roadMap);
  for (auto _ : state) {
    renderer.Forget();
    DrawMapImage(&bitmap, view, {true, true, roadMap ? &renderer : nullptr});
  }
}

void BM_RoadMap_CityWholeView(benchmark::State& state) { FullDrawing(state, CityMap(), true); }
void BM_RoadMap_CityWholeViewPlain(benchmark::State& state) { FullDrawing(state, CityMap(), false); }
void BM_RoadMap_CapacityWholeView(benchmark::State& state) {
  FullDrawing(state, CapacityMapFile(true), true);
}

// Pointer moves across the whole-map view, each onto another target that
// one start reaches: the search runs untimed, then the redraw is timed.
void RedrawAfterMoves(benchmark::State& state, const std::string& file) {
  if (!Load(file)) return state.SkipWithError("the loader read no Class column");
  RoadMapRenderer renderer;
  TBitmap bitmap;
  MapView view = WholeMapView(true);
  MapImageOptions options{true, true, &renderer};
  std::mt19937 random(26);
  std::uniform_int_distribution<int32_t> anyPoint(0, pointCount - 1);
  startPoint = anyPoint(random);
  currentPoint = -1;
  ClearRouteMarks();
  DrawMapImage(&bitmap, view, options);
  int64_t routeSegments = 0;
  for (auto _ : state) {
    state.PauseTiming();
    // A target the start reaches.
    for (int tries = 0; tries < 1000 && (tries == 0 || RouteSegments().empty()); ++tries) {
      currentPoint = anyPoint(random);
      FindRoute(points[startPoint].Code, points[currentPoint].Code);
    }
    view.pointerX = static_cast<int32_t>(ZoomedPixelX(view, points[currentPoint].X));
    view.pointerY = static_cast<int32_t>(ZoomedPixelY(view, points[currentPoint].Y));
    options.route = LastRoute();
    routeSegments += static_cast<int64_t>(options.route.segments.size());
    state.ResumeTiming();
    if (!RedrawMapImage(&bitmap, view, options)) return state.SkipWithError("the redraw drew the whole view");
  }
  state.counters["route_segments"] =
      benchmark::Counter(static_cast<double>(routeSegments), benchmark::Counter::kAvgIterations);
}

void BM_RoadMap_CityRedrawAfterMove(benchmark::State& state) { RedrawAfterMoves(state, CityMap()); }
void BM_RoadMap_CapacityRedrawAfterMove(benchmark::State& state) {
  RedrawAfterMoves(state, CapacityMapFile(true));
}

}  // namespace

BENCHMARK(BM_RoadMap_CityWholeView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RoadMap_CityWholeViewPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RoadMap_CapacityWholeView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RoadMap_CityRedrawAfterMove)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RoadMap_CapacityRedrawAfterMove)->Unit(benchmark::kMillisecond);
