// Redrawing only what changed after a pointer event gives the very picture
// that painting the whole view gives for the same state.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/offscreen_window.h"
#include "map/map_store.h"
#include "route/route_search.h"
#include "tests/classed_maps.h"
#include "tests/random_maps.h"
#include "tests/store_setup.h"
#include "tests/view_fixture.h"
#include "toolkit/controls.h"
#include "toolkit/graphics.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"
#include "view/map_transform.h"
#include "view/map_view.h"
#include "view/map_zoom.h"

namespace {

TCanvas* Canvas() { return MapBitmap()->GetCanvas(); }
QImage Picture() { return MapBitmap()->Image().copy(); }

int32_t Pick(std::mt19937& random, int32_t lo, int32_t hi) {
  return std::uniform_int_distribution<int32_t>(lo, hi)(random);
}

// A map full of equal routes, parts that nothing reaches and loops, its
// roads drawn along their ends with a bend now and then, and some points
// sharing a position (so, at any scale, a pixel) with another.
RandomMap DrawnRandomMap(std::mt19937& random) {
  RandomMap map = TieRichMap(random);
  const int32_t n = static_cast<int32_t>(map.points.size());
  for (int32_t k = Pick(random, 0, 3); k > 0; --k) {
    const PointSpec& twin = map.points[Pick(random, 0, n - 1)];
    map.points.push_back({twin.x, twin.y, static_cast<int32_t>(map.points.size()) + 1});
  }
  for (SegmentSpec& road : map.roads) {
    const PointSpec &a = map.points[road.from - 1], &b = map.points[road.to - 1];
    road.vertices = {{a.x, a.y}};
    if (road.from == road.to || Pick(random, 0, 2) == 0)
      road.vertices.push_back({(a.x + b.x) / 2 + Pick(random, -7, 7), (a.y + b.y) / 2 + Pick(random, -7, 7)});
    road.vertices.push_back({b.x, b.y});
  }
  // Now and then roads drawn over others: the same line, either way round,
  // so that a pixel shows the last of several roads, on the route or not.
  for (int32_t k = Pick(random, 0, 2) == 0 ? Pick(random, 1, 8) : 0; k > 0; --k) {
    SegmentSpec road = map.roads[Pick(random, 0, static_cast<int32_t>(map.roads.size()) - 1)];
    if (Pick(random, 0, 1) == 0) {
      std::swap(road.from, road.to);
      std::reverse(road.vertices.begin(), road.vertices.end());
    }
    map.roads.push_back(road);
  }
  return map;
}

// An image side: now and then one pixel, or a few, where every pixel holds
// many roads and points.
int Side(std::mt19937& random, int lo, int hi) {
  const int kind = Pick(random, 0, 9);
  return kind == 0 ? 1 : kind <= 2 ? Pick(random, 2, 12) : Pick(random, lo, hi);
}

class MapRedraw : public ViewTest {};

// On the map loaded, in a random image size (down to one pixel, where every
// pixel holds many roads and points) with roads and points shown or not,
// over a pointer path with clicks and turns of the wheel (routes that grow, shrink
// and vanish at unreachable targets, starts that change, zoom levels), the
// picture after every event, and the pen and brush, are those of DrawMap
// run instead from the same state.
void CheckEveryEventOfARandomPath(std::mt19937& random, int round) {
  SizeMapImage(Side(random, 20, 160), Side(random, 15, 120));
  fMain->ImageM->Visible(true);
  fMain->Lines1->SetChecked(Pick(random, 0, 3) > 0);
  fMain->Points1->SetChecked(Pick(random, 0, 3) > 0);
  fMain->ShowWholeMap();
  fMain->DrawMap();
  const int width = fMain->ImageM->Width(), height = fMain->ImageM->Height();
  int x = Pick(random, 0, width - 1), y = Pick(random, 0, height - 1);
  for (int event = 0; event < 40; ++event) {
    const TColor pen = Canvas()->Pen()->Color(), brush = Canvas()->Brush()->Color();
    const int kind = Pick(random, 0, 19);
    x = kind == 0 ? Pick(random, -3, width + 3) : std::clamp(x + Pick(random, -6, 6), -2, width + 2);
    y = kind == 0 ? Pick(random, -3, height + 3) : std::clamp(y + Pick(random, -6, 6), -2, height + 2);
    if (kind <= 2) {
      fMain->ImageMMouseDown(fMain->ImageM, mbLeft, 0, x, y);
    } else if (kind == 3) {
      fMain->ImageMMouseWheel(fMain->ImageM, 0, Pick(random, -2, 3) * 120, x, y);
    } else {
      fMain->ImageMMouseMove(fMain->ImageM, 0, x, y);
    }
    const QImage redrawn = Picture();
    const TColor redrawnPen = Canvas()->Pen()->Color(), redrawnBrush = Canvas()->Brush()->Color();
    Canvas()->Pen()->SetColor(pen);
    Canvas()->Brush()->SetColor(brush);
    fMain->roadMapRenderer.Forget();  // a road map's layer painted anew too
    fMain->DrawMap();
    SCOPED_TRACE("round " + std::to_string(round) + ", event " + std::to_string(event) + " at (" +
                 std::to_string(x) + ", " + std::to_string(y) + "), zoom level " +
                 std::to_string(View().zoomLevel));
    ASSERT_TRUE(redrawn == Picture());
    ASSERT_EQ(redrawnPen, Canvas()->Pen()->Color());
    ASSERT_EQ(redrawnBrush, Canvas()->Brush()->Color());
  }
}

}  // namespace

// Over random maps (roads drawn over roads), image sizes down to one pixel
// (many roads in a pixel), zoom levels, roads and points shown or not and
// pointer paths with clicks (routes that grow, shrink and vanish at
// unreachable targets, starts that change), the picture after every event,
// and the pen and brush, are those of DrawMap run instead from the same
// state: the recolouring of the pixels each changed item owns misses none
// and touches no other.
TEST_F(MapRedraw, EveryEventLeavesThePictureOfAFullPainting) {
  std::mt19937 random(1612);
  for (int round = 0; round < 120; ++round) {
    const RandomMap map = DrawnRandomMap(random);
    SetMap(map.points, map.roads);
    CheckEveryEventOfARandomPath(random, round);
  }
}

// The same on random maps with road classes and names, drawn as road maps
// in true proportions or not, and plainly in true proportions.
TEST_F(MapRedraw, EveryEventLeavesThePictureOfAFullRoadMapDrawing) {
  std::mt19937 random(2626);
  for (int round = 0; round < 60; ++round) {
    LoadClassedRandomMap(random);
    const bool plain = round % 4 == 3;
    fMain->RoadMap1->SetChecked(!plain);
    View().proportional = plain || Pick(random, 0, 2) > 0;
    CheckEveryEventOfARandomPath(random, round);
  }
}

// At a zoom the outline of an end mark takes the pen the whole-map view has
// there, the colour of the point before it, wherever the view is panned:
// here black, though the red road or no road at all is drawn before it.
TEST_F(MapRedraw, EndMarkOutlineIsTheSameWhereverTheViewIs) {
  SetMap({{100, 0, 1}, {200, 0, 2}, {400, 0, 3}, {400, 100, 4}}, {{2, 3, 200, {{200, 0}, {400, 0}}}});
  fMain->ImageM->Visible(true);
  fMain->DrawMap();
  startPoint = 1;
  currentPoint = 2;
  ASSERT_EQ(FindRoute(2, 3), 2);
  for (const double centreX : {150.0, 250.0}) {
    SCOPED_TRACE(centreX);
    View().zoomLevel = 1;
    View().zoomCenterX = centreX;
    View().zoomCenterNegY = 0;
    fMain->DrawMap();
    const int x = static_cast<int>(ZoomedPixelX(View(), 200)), y = static_cast<int>(ZoomedPixelY(View(), 0));
    EXPECT_EQ(ImagePixel(x, y - 2), clBlack);  // the top of the start's disc
  }
}

// An image one pixel wide or high at a zoom shows what the transform puts
// in it: every point on that one column or row.
TEST_F(MapRedraw, AnImageOnePixelAcrossShowsThePointsAtAZoom) {
  std::vector<PointSpec> ps;
  for (int32_t i = 0; i < 50; ++i) ps.push_back({i * 7 % 100, i * 13 % 100, i + 1});
  SetMap(ps, {});
  fMain->ImageM->Visible(true);
  for (const auto& [width, height] : {std::pair{1, 120}, std::pair{160, 1}}) {
    SizeMapImage(160, 120);
    fMain->DrawMap();
    ASSERT_TRUE(ZoomAround(View(), 1, 80, 60));
    SizeMapImage(width, height);
    fMain->DrawMap();
    int shown = 0;
    for (int32_t j = 0; j < 50; ++j) {
      const int64_t x = ZoomedPixelX(View(), ps[j].x), y = ZoomedPixelY(View(), ps[j].y);
      if (x < 0 || x >= width || y < 0 || y >= height) continue;
      ++shown;
      EXPECT_NE(ImagePixel(static_cast<int>(x), static_cast<int>(y)), BackgroundColor()) << "point " << j;
    }
    EXPECT_GT(shown, 3);
  }
}
