// The road-map renderer: what shows at which scale and with which View
// options, and a redraw after any change of the route, the end points or
// the pointer gives the picture of a full drawing.
#include "view/road_map_renderer.h"

#include <gtest/gtest.h>

#include <QImage>
#include <random>
#include <string>

#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/route_search.h"
#include "tests/classed_maps.h"
#include "tests/store_setup.h"
#include "toolkit/graphics.h"
#include "view/road_style.h"

namespace {

// A view of width x height pixels showing the map position (x, negY) at its
// centre at a scale of metres per pixel, a map unit being a metre.
RoadMapView ViewAround(int32_t width, int32_t height, double x, double negY, double metresPerPixel) {
  const double scale = 1 / metresPerPixel;
  return {width, height, x - width / 2.0 / scale, negY - height / 2.0 / scale, scale, scale, 1};
}

TColor PixelAt(TBitmap& bitmap, int x, int y) { return bitmap.GetCanvas()->Pixel(x, y); }

}  // namespace

// A motorway along y = 0 and a minor road along y = -400 (drawn 400 units
// lower), joined at their west ends: which of them, their dots and their
// names show at which scale and View options.
TEST(RoadMapRenderer, ShowsWhatTheScaleAndTheOptionsAllow) {
  SetMap({{0, 0, 1}, {4000, 0, 2}, {0, -400, 3}, {4000, -400, 4}}, {{1, 2, 4000, {{0, 0}, {4000, 0}}},
                                                                    {3, 4, 4000, {{0, -400}, {4000, -400}}},
                                                                    {1, 3, 400, {{0, 0}, {0, -400}}}});
  segmentClass = {RoadClass::kMotorway, RoadClass::kMinor, RoadClass::kMinor};
  RoadMapRenderer renderer;
  TBitmap bitmap;
  const struct {
    double metresPerPixel;
    bool lines, points, motorway, minor, dot;
  } cases[] = {
      {50, true, true, true, false, false},   {8, true, true, true, true, false},
      {2, true, true, true, true, true},      {2, false, true, false, false, true},
      {2, false, false, false, false, false}, {2, true, false, true, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.metresPerPixel) + " m/px, lines " + std::to_string(c.lines) + ", points " +
                 std::to_string(c.points));
    // Centred 40 pixels below the motorway, the minor road 400 /
    // metresPerPixel pixels below it; both roads pass column 250.
    const RoadMapView view = ViewAround(400, 300, 100, 40 * c.metresPerPixel, c.metresPerPixel);
    renderer.Draw(bitmap, view, {c.lines, c.points, 0, 0});
    const int motorwayRow = 110, minorRow = motorwayRow + static_cast<int>(400 / c.metresPerPixel);
    const int roadColumn = 250, junctionColumn = 200 - static_cast<int>(100 / c.metresPerPixel);
    EXPECT_EQ(PixelAt(bitmap, roadColumn, motorwayRow) != kRoadMapBackground, c.motorway);
    if (minorRow < 300) {
      EXPECT_EQ(PixelAt(bitmap, roadColumn, minorRow) != kRoadMapBackground, c.minor);
    }
    if (!c.lines) {
      EXPECT_EQ(PixelAt(bitmap, junctionColumn, motorwayRow) != kRoadMapBackground, c.dot);
    }
  }
}

// A map of minor roads only is never blank, however far out the view.
TEST(RoadMapRenderer, TheMapsHighestClassAlwaysShows) {
  SetMap({{0, 0, 1}, {100000, 0, 2}}, {{1, 2, 100000, {{0, 0}, {100000, 0}}}});
  segmentClass = {RoadClass::kService};
  RoadMapRenderer renderer;
  TBitmap bitmap;
  renderer.Draw(bitmap, ViewAround(200, 100, 50000, 0, 1000), {true, true, 0, 0});
  EXPECT_NE(PixelAt(bitmap, 100, 50), kRoadMapBackground);
}

// Over random maps with classes and names, views, View options and
// pointer paths with clicks (routes that grow, shrink and vanish, starts
// that change), every redraw leaves the picture a full drawing of the same
// state gives, pixel for pixel.
TEST(RoadMapRenderer, EveryRedrawLeavesThePictureOfAFullDrawing) {
  std::mt19937 random(2026);
  const auto pick = [&](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(random);
  };
  for (int round = 0; round < 60; ++round) {
    LoadClassedRandomMap(random);
    const int32_t width = pick(1, 9) == 1 ? 1 : pick(20, 220), height = pick(1, 9) == 1 ? 1 : pick(15, 160);
    const double extent = std::max(maxX - minX, maxNegY - minNegY) + 1.0;
    const double scale = std::ldexp(std::min(width, height) / extent, pick(-1, 5));
    const RoadMapView view{width,
                           height,
                           minX + pick(-20, 60) * extent / 100.0,
                           minNegY + pick(-20, 60) * extent / 100.0,
                           scale,
                           scale * (pick(0, 3) == 0 ? 2 : 1),
                           pick(0, 1) ? 1.0 : 0.2};
    RoadMapOptions options{pick(0, 3) > 0, pick(0, 1) == 1, pick(0, width), pick(0, height)};
    RoadMapRenderer renderer, reference;
    TBitmap shown, full;
    renderer.Draw(shown, view, options);
    for (int event = 0; event < 30; ++event) {
      options.pointerX = std::clamp(options.pointerX + pick(-8, 8), -2, width + 2);
      options.pointerY = std::clamp(options.pointerY + pick(-8, 8), -2, height + 2);
      const int kind = pick(0, 9);
      if (kind == 0) startPoint = currentPoint;
      if (kind >= 3) currentPoint = pick(0, pointCount - 1);
      if (startPoint >= 0 && currentPoint >= 0) FindRoute(points[startPoint].Code, points[currentPoint].Code);
      SCOPED_TRACE("round " + std::to_string(round) + ", event " + std::to_string(event));
      ASSERT_TRUE(renderer.Redraw(shown, view, options));
      reference.Draw(full, view, options);
      ASSERT_TRUE(shown.Image() == full.Image());
    }
    // A change of the view is for a full drawing only.
    RoadMapView moved = view;
    moved.originX += 1;
    EXPECT_FALSE(renderer.Redraw(shown, moved, options));
  }
}
