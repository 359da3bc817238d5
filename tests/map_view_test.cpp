// DrawMap: the early exits, the scales and the far edge, the colours and
// marks of segments and points, the view options and the cursor mark.
#include "view/map_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "map/map_store.h"
#include "route/route_search.h"
#include "tests/store_setup.h"
#include "tests/view_fixture.h"
#include "toolkit/graphics.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"
#include "view/map_transform.h"

namespace {

using Picture = std::vector<std::string>;

// The pixels of the window (left, top, width, height) of the image: '.'
// background, 'k' black, 'r' red, 'b' blue, 'g' grey, '?' anything else.
Picture Read(int left, int top, int width, int height) {
  const std::map<TColor, char> letters{
      {BackgroundColor(), '.'}, {clBlack, 'k'}, {clRed, 'r'}, {clBlue, 'b'}, {clGray, 'g'}};
  Picture rows(height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto letter = letters.find(ImagePixel(left + x, top + y));
      rows[y] += letter == letters.end() ? '?' : letter->second;
    }
  }
  return rows;
}

// The map position drawn at pixel (x, y) of the scene below.
TPoint At(int x, int y) { return {x, -y}; }

// A scene drawn at one pixel per map unit on the 683 x 397 image: the map's
// bounds come from two single-vertex segments (which draw nothing) at the
// image's corners (0, 0) and (683, 397). The route from code 1 to code 3 runs
// from point 0, the start point at (10, 10), over point 3 at (20, 10) to
// point 2, the current point at (20, 20); point 1 at (40, 10) is off the
// route, joined to point 3 by a black road. The segments are in an order
// that makes the last pair drawn red.
void SetScene() {
  SetMap({{10, -10, 1}, {40, -10, 2}, {20, -20, 3}, {20, -10, 4}},
         {
             {0, 0, 0, {At(600, 110), At(682, 110)}},  // ends on the last column
             {0, 0, 0, {At(600, 100), At(683, 100)}},  // ends outside: skipped whole
             {4, 2, 20, {At(20, 10), At(30, 10), At(40, 10)}},
             {1, 4, 10, {At(10, 10), At(20, 10)}},
             {4, 3, 10, {At(20, 10), At(20, 20)}},
             {0, 0, 0, {At(0, 0)}},
             {0, 0, 0, {At(683, 397)}},
         });
  ASSERT_EQ(FindRoute(1, 3), 3);
  startPoint = 0;
  currentPoint = 2;
}

class MapDrawing : public ViewTest {};

}  // namespace

TEST_F(MapDrawing, MapWithoutExtentOnAnAxisKeepsThePictureAndTheScales) {
  const struct {
    const char* name;
    std::vector<PointSpec> points;
  } cases[] = {
      {"no map", {}},
      {"one point", {{3, 4, 1}}},
      {"all on one X", {{5, 0, 1}, {5, 10, 2}}},
      {"all on one Y", {{0, 5, 1}, {10, 5, 2}}},
  };
  for (const auto& c : cases) {
    SetMap(c.points, {});
    View().scaleX = 7;
    View().scaleY = 9;
    MapBitmap()->Width(10);
    MapBitmap()->Height(10);
    MapBitmap()->GetCanvas()->Brush()->SetColor(clRed);
    MapBitmap()->GetCanvas()->FillRect(TRect(0, 0, 10, 10));
    fMain->DrawMap();
    EXPECT_EQ(MapBitmap()->Width(), 683) << c.name;
    EXPECT_EQ(MapBitmap()->Height(), 397) << c.name;
    EXPECT_EQ(View().scaleX, 7) << c.name;
    EXPECT_EQ(View().scaleY, 9) << c.name;
    EXPECT_EQ(Read(0, 0, 10, 10), Picture(10, std::string(10, 'r'))) << c.name;
  }
}

// Two points: one at (0, height), drawn at the top left pixel, and one at
// (width, 0), the far corner, on a 683 x 397 image.
TEST_F(MapDrawing, ScalesAreWholeQuotientsOrFitTheMapToTheImage) {
  const struct {
    const char* name;
    int width, height;
    double scaleX, scaleY;
    int farX, farY;  // the far corner's pixel
    bool farDrawn;
  } cases[] = {
      {"683 over 100", 100, 200, 6, 1, 600, 200, true},
      {"683 over 683: the far edge falls on column 683", 683, 200, 1, 1, 683, 200, false},
      {"683 over 700: fitted", 700, 200, 682.0 / 700, 1, 682, 200, true},
      {"683 over 1066: fitted, though the plain fraction falls short", 1066, 200, 682.0 / 1066, 1, 682, 200,
       true},
      {"397 over 397: the far edge falls on row 397", 100, 397, 6, 1, 600, 397, false},
      {"397 over 530: fitted, though the plain fraction falls short", 100, 530, 6, 396.0 / 530, 600, 396,
       true},
      {"both fitted", 1066, 530, 682.0 / 1066, 396.0 / 530, 682, 396, true},
  };
  for (const auto& c : cases) {
    SetMap({{0, c.height, 1}, {c.width, 0, 2}}, {});
    fMain->DrawMap();
    EXPECT_NEAR(View().scaleX, c.scaleX, 1e-15) << c.name;
    EXPECT_NEAR(View().scaleY, c.scaleY, 1e-15) << c.name;
    EXPECT_EQ(MapToPixelX(View(), c.width), c.farX) << c.name;
    EXPECT_EQ(MapToPixelY(View(), 0), c.farY) << c.name;
    EXPECT_EQ(ImagePixel(0, 0), clBlack) << c.name;
    EXPECT_EQ(ImagePixel(std::min(c.farX, 682), std::min(c.farY, 396)),
              c.farDrawn ? clBlack : BackgroundColor())
        << c.name;
  }
}

// Positions off the map (as with the bounds of an earlier map) round down
// and saturate at the 32-bit range.
TEST_F(MapDrawing, TransformRoundsDownAndSaturatesOffTheMap) {
  const struct {
    int32_t width;  // the map's, over 683 columns
    int32_t x;
    int32_t column;
  } cases[] = {
      {1066, -1, -1}, {1066, 1067, 682}, {1, -1, -683}, {1, INT32_MAX, INT32_MAX}, {1, INT32_MIN, INT32_MIN}};
  for (const auto& c : cases) {
    SetMap({{0, 0, 1}, {c.width, 1, 2}}, {});
    fMain->DrawMap();
    EXPECT_EQ(MapToPixelX(View(), c.x), c.column) << c.width << " " << c.x;
  }
}

TEST_F(MapDrawing, RoadsAndPointsTakeTheirRouteColoursAndTheEndPointsTheirDiscs) {
  SetScene();
  fMain->DrawMap();
  // The start point: a blue dot on a disc outlined in the pen colour in
  // force, that of the last road pair drawn (red); the road runs on to the
  // right.
  EXPECT_EQ(Read(7, 7, 7, 7),
            (Picture{".......", "..rrr..", ".rbbbr.", ".rbbbrr", ".rbbbr.", "..rrr..", "......."}));
  // The current point: its disc outlined black, the colour of point 1 drawn
  // just before; the red road comes from above.
  EXPECT_EQ(Read(17, 17, 7, 7),
            (Picture{"...r...", "..kkk..", ".kbbbk.", ".kbbbk.", ".kbbbk.", "..kkk..", "......."}));
  const struct {
    const char* what;
    int x, y;
    TColor color;
  } pixels[] = {
      {"road on the route", 15, 10, clRed},
      {"road on the route", 20, 15, clRed},
      {"road off the route", 25, 10, clBlack},
      {"inner vertex of a road", 30, 10, clBlack},
      {"point on the route", 20, 10, clRed},
      {"its dot", 21, 11, clRed},
      {"point off the route", 40, 10, clBlack},
      {"its dot", 39, 9, clBlack},
      {"road pair with an end outside", 640, 100, BackgroundColor()},
      {"road pair ending on the last column", 640, 110, clBlack},
      {"its end pixel", 682, 110, BackgroundColor()},
      {"single-vertex segment", 0, 0, BackgroundColor()},
  };
  for (const auto& p : pixels) EXPECT_EQ(ImagePixel(p.x, p.y), p.color) << p.what << " " << p.x << "," << p.y;
}

TEST_F(MapDrawing, DiscOutlineKeepsThePenOfAnEarlierDrawWhenNothingCameBefore) {
  SetScene();
  fMain->Lines1Click(nullptr);
  MapBitmap()->GetCanvas()->Pen()->SetColor(clGray);
  fMain->DrawMap();
  EXPECT_EQ(Read(7, 7, 7, 7),
            (Picture{".......", "..ggg..", ".gbbbg.", ".gbbbg.", ".gbbbg.", "..ggg..", "......."}));
}

TEST_F(MapDrawing, ViewOptionsSwitchRoadsAndPoints) {
  SetScene();
  fMain->DrawMap();
  const struct {
    bool lines, points;
    TColor road, startPoint;
  } cases[] = {
      {true, true, clRed, clBlue},
      {true, false, clRed, clRed},  // the road's first pixel
      {false, true, BackgroundColor(), clBlue},
      {false, false, BackgroundColor(), BackgroundColor()},
      {true, true, clRed, clBlue},
  };
  for (const auto& c : cases) {
    if (fMain->Lines1->Checked() != c.lines) fMain->Lines1Click(nullptr);
    if (fMain->Points1->Checked() != c.points) fMain->Points1Click(nullptr);
    EXPECT_EQ(ImagePixel(15, 10), c.road) << c.lines << c.points;
    EXPECT_EQ(ImagePixel(10, 10), c.startPoint) << c.lines << c.points;
  }
  fMain->Lines1Click(nullptr);
  fMain->Points1Click(nullptr);
  EXPECT_EQ(CountPixels(BackgroundColor()), 683 * 397);
}

TEST_F(MapDrawing, CursorMarkIsDrawnLastAndOnlyAwayFromTheBorder) {
  SetScene();
  View().pointerX = 41;
  View().pointerY = 11;
  fMain->DrawMap();
  EXPECT_EQ(Read(39, 9, 5, 5), (Picture{"kkk..", "kgkg.", "kkk..", ".g.g.", "....."}));

  fMain->Lines1Click(nullptr);
  fMain->Points1Click(nullptr);
  const struct {
    int x, y;
    int marks;
  } cases[] = {{1, 1, 4}, {681, 395, 4}, {0, 5, 0},  {682, 5, 0},
               {5, 0, 0}, {5, 396, 0},   {-3, 5, 0}, {700, 5, 0}};
  for (const auto& c : cases) {
    View().pointerX = c.x;
    View().pointerY = c.y;
    fMain->DrawMap();
    EXPECT_EQ(CountPixels(clGray), c.marks) << c.x << "," << c.y;
  }
  View().pointerX = 1;
  View().pointerY = 1;
  fMain->DrawMap();
  EXPECT_EQ(Read(0, 0, 4, 4), (Picture{"g.g.", "....", "g.g.", "...."}));
}

// A table longer than the graph searched (which BuildRoadGraph refuses, but
// a failed load leaves behind) draws the route found on the graph in red and
// every entry beyond it, past GRAPH_CAPACITY too, off the route.
TEST_F(MapDrawing, EntriesBeyondTheGraphSearchedAreOffTheRoute) {
  const std::vector<PointSpec> corners{{0, 0, 1}, {683, -397, 2}, {100, -100, 3}, {150, -100, 4}};
  SetMap(corners, {{3, 4, 1, {At(100, 40), At(110, 40)}}});
  std::vector<PointSpec> manyPoints(GRAPH_CAPACITY + 1, {300, -300, 0});
  std::copy(corners.begin(), corners.end(), manyPoints.begin());
  manyPoints[GRAPH_CAPACITY - 1] = {200, -100, 0};
  manyPoints[GRAPH_CAPACITY] = {250, -100, 0};
  std::vector<SegmentSpec> manySegments(GRAPH_CAPACITY + 1);
  manySegments[0].vertices = {At(100, 40), At(110, 40)};
  manySegments[GRAPH_CAPACITY - 1].vertices = {At(100, 50), At(110, 50)};
  manySegments[GRAPH_CAPACITY].vertices = {At(100, 60), At(110, 60)};
  SetStore(manyPoints, manySegments);
  ASSERT_EQ(FindRoute(3, 4), 2);  // on the graph of the four points
  fMain->DrawMap();
  const struct {
    int x, y;
    TColor color;
  } pixels[] = {{100, 100, clRed}, {150, 100, clRed},  {200, 100, clBlack}, {250, 100, clBlack},
                {105, 40, clRed},  {105, 50, clBlack}, {105, 60, clBlack}};
  for (const auto& p : pixels) EXPECT_EQ(ImagePixel(p.x, p.y), p.color) << p.x << "," << p.y;
}
