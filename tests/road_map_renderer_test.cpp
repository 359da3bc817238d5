// The road-map renderer: what shows at which scale and with which View
// options. (Its redraws are checked against full drawings through the
// window, in the redraw's tests.)
#include "view/road_map_renderer.h"

#include <gtest/gtest.h>

#include <string>

#include "map/map_store.h"
#include "tests/store_setup.h"
#include "toolkit/graphics.h"
#include "view/road_style.h"

namespace {

// A view of width x height pixels showing the map position (x, negY) at its
// centre at a scale of metres per pixel, a map unit being a metre.
MapView ViewAround(int32_t width, int32_t height, double x, double negY, double metresPerPixel) {
  MapView view;
  view.width = width;
  view.height = height;
  view.placedScaleX = view.placedScaleY = 1 / metresPerPixel;
  view.placedOriginX = x - width / 2.0 * metresPerPixel;
  view.placedOriginNegY = negY - height / 2.0 * metresPerPixel;
  return view;
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
    const MapView view = ViewAround(400, 300, 100, 40 * c.metresPerPixel, c.metresPerPixel);
    renderer.Draw(bitmap, view, {c.lines, c.points});
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
  renderer.Draw(bitmap, ViewAround(200, 100, 50000, 0, 1000), {true, true});
  EXPECT_NE(PixelAt(bitmap, 100, 50), kRoadMapBackground);
}
