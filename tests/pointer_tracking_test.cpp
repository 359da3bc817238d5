// Pointer moves and presses over the map image: the read-out boxes, the
// nearest point, the start point and when the route search runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QTest>
#include <QWidget>
#include <array>
#include <climits>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "app/main_form.h"
#include "app/offscreen_window.h"
#include "map/layer_loader.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/route_search.h"
#include "tests/store_setup.h"
#include "tests/test_files.h"
#include "tests/view_fixture.h"
#include "toolkit/controls.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"
#include "view/map_transform.h"
#include "view/map_view.h"
#include "view/map_zoom.h"

namespace {

// X, Y, Code, Index and Length.
using Boxes = std::array<std::string, 5>;

Boxes ReadBoxes() {
  return {fMain->EditX->Text(), fMain->EditY->Text(), fMain->EditCode->Text(), fMain->EditIndex->Text(),
          fMain->EditL->Text()};
}

void Move(int x, int y) { fMain->ImageMMouseMove(fMain->ImageM, 0, x, y); }

void Press(int x, int y, TMouseButton button = mbLeft) {
  fMain->ImageMMouseDown(fMain->ImageM, button, ssLeft, x, y);
}

// One pointer event: a move, or a press with the given button.
struct Step {
  bool press;
  int x, y;
  TMouseButton button = mbLeft;
};

void RunSteps(const std::vector<Step>& steps) {
  for (const Step& s : steps) s.press ? Press(s.x, s.y, s.button) : Move(s.x, s.y);
}

// Three points in a row joined by two roads and one point apart, drawn at one
// pixel per map unit: map (x, y) is pixel (x, 300 - y).
//   code 1 at (0, 0) -- code 2 at (100, 0) -- code 3 at (200, 0);
//   code 4 at (400, 300), unreachable.
void OpenRowTown() {
  SetMap({{0, 0, 1}, {100, 0, 2}, {200, 0, 3}, {400, 300, 4}},
         {{1, 2, 100, {{0, 0}, {100, 0}}}, {2, 3, 100, {{100, 0}, {200, 0}}}});
  fMain->DrawMap();
  ASSERT_EQ(View().scaleX, 1);
  ASSERT_EQ(View().scaleY, 1);
}

// Sets EditL and EditTime to a text no search writes.
void MarkLengthAndTime() {
  fMain->EditL->SetText("untouched");
  fMain->EditTime->SetText("untouched");
}

class PointerTracking : public ViewTest {};

// Calls record with every widget it filters, when the widget is painted.
class PaintRecorder : public QObject {
 public:
  explicit PaintRecorder(std::function<void(QObject*)> record) : record_(std::move(record)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) record_(watched);
    return false;
  }

 private:
  std::function<void(QObject*)> record_;
};

}  // namespace

TEST_F(PointerTracking, WorkedExample) {
  TempDir dir;
  LoadMapLayers(WriteLayers(dir, ExampleTown()));
  fMain->DrawMap();
  ASSERT_EQ(View().scaleX, 3);
  ASSERT_EQ(View().scaleY, 1);

  Move(31, 50);
  EXPECT_EQ(ReadBoxes(), (Boxes{"110.333330", "350.000000", "1", "0", "-1"}));
  Press(31, 50);
  EXPECT_EQ(startPoint, 0);
  EXPECT_EQ(ReadBoxes(), (Boxes{"110.333330", "350.000000", "1", "0", "-1"}));
  Move(600, 10);
  EXPECT_EQ(ReadBoxes(), (Boxes{"300.000000", "390.000000", "3", "2", "3"}));
  EXPECT_EQ(currentPoint, 2);
  for (int32_t i : {0, 1, 2}) EXPECT_EQ(pointOnRoute[i], 1) << i;
  for (int32_t j : {0, 1}) EXPECT_EQ(segmentOnRoute[j], 1) << j;
  EXPECT_EQ(fMain->EditTime->Text().find_first_not_of("0123456789"), std::string::npos);
}

TEST_F(PointerTracking, NearestPointStartPointAndRouteLength) {
  const Step onCode1{false, 0, 300}, press{true, 0, 300}, onCode3{false, 200, 300};
  const struct {
    const char* name;
    std::vector<Step> steps;
    std::array<std::string, 3> codeIndexLength;
    int32_t start, current;
  } cases[] = {
      {"pointer on a point", {onCode3}, {"3", "2", "-1"}, -1, 2},
      {"equally near: the lower index", {{false, 50, 300}}, {"1", "0", "-1"}, -1, 0},
      {"press before any move", {{true, 200, 300}}, {"3", "2", "-1"}, -1, 2},
      {"press, then a move to another point", {onCode1, press, onCode3}, {"3", "2", "3"}, 0, 2},
      {"right button", {onCode1, {true, 0, 300, mbRight}, onCode3}, {"3", "2", "3"}, 0, 2},
      {"middle button", {onCode1, {true, 0, 300, mbMiddle}, onCode3}, {"3", "2", "3"}, 0, 2},
      {"back to the start point", {onCode1, press, onCode3, onCode1}, {"1", "0", "1"}, 0, 0},
      {"target not reachable", {onCode1, press, {false, 400, 0}}, {"4", "3", "100000"}, 0, 3},
      {"press without a move", {onCode1, press, onCode3, {true, 200, 300}}, {"3", "2", "3"}, 2, 2},
  };
  for (const auto& c : cases) {
    OpenRowTown();
    RunSteps(c.steps);
    const Boxes boxes = ReadBoxes();
    EXPECT_EQ((std::array<std::string, 3>{boxes[2], boxes[3], boxes[4]}), c.codeIndexLength) << c.name;
    EXPECT_EQ(startPoint, c.start) << c.name;
    EXPECT_EQ(currentPoint, c.current) << c.name;
  }
}

TEST_F(PointerTracking, SearchRunsOnlyWhenTheNearestPointChanges) {
  OpenRowTown();
  RunSteps({{false, 0, 300}, {true, 0, 300}, {false, 200, 300}});
  MarkLengthAndTime();
  Move(201, 301);
  EXPECT_EQ(fMain->EditX->Text(), "201.000000");
  EXPECT_EQ(fMain->EditL->Text(), "untouched");
  EXPECT_EQ(fMain->EditTime->Text(), "untouched");
  EXPECT_EQ(ImagePixel(202, 302), clGray);  // redrawn with the cursor mark

  Press(201, 301);  // the current point becomes the start point; no search
  EXPECT_EQ(startPoint, 2);
  EXPECT_EQ(fMain->EditTime->Text(), "untouched");
  EXPECT_EQ(pointOnRoute[0], 1);

  Move(100, 300);
  EXPECT_EQ(fMain->EditL->Text(), "2");
  EXPECT_NE(fMain->EditTime->Text(), "untouched");
  EXPECT_EQ(pointOnRoute[0], 0);
}

// The store emptied (as File, Close does) keeps the bounds and the scales.
// The nearest index stays 0, so after the first move no search ever runs.
TEST_F(PointerTracking, EmptyPointTableShowsNoPointAndNeverSearches) {
  OpenRowTown();
  ClearMapAndRoute();
  fMain->EditCode->SetText("code");
  fMain->EditIndex->SetText("index");
  Move(5, 5);
  EXPECT_EQ(ReadBoxes(), (Boxes{"5.000000", "295.000000", "", "", "-1"}));
  EXPECT_EQ(currentPoint, 0);
  Press(5, 5);
  EXPECT_EQ(startPoint, 0);
  MarkLengthAndTime();
  Move(6, 6);
  EXPECT_EQ(ReadBoxes(), (Boxes{"6.000000", "294.000000", "", "", "untouched"}));
  EXPECT_EQ(fMain->EditTime->Text(), "untouched");
}

// The pointer's map position divides by the scales DrawMap set; where a
// scale is 0 it is the map's bound on that axis (smallest X, largest Y).
// The map: (0, 0) and (width, 100).
TEST_F(PointerTracking, PointerPositionUsesTheViewsScales) {
  const struct {
    const char* name;
    int32_t width;
    int imageWidth, x, y;
    const char *mapX, *mapY;
  } cases[] = {
      {"whole scales 6 and 3", 100, 683, 31, 50, "5.166667", "83.333333"},
      {"beyond the drawn map", 100, 683, 650, 390, "108.333330", "-30.000000"},
      {"fitted: the last column is the far edge", 1066, 683, 682, 0, "1066.000000", "100.000000"},
      {"fitted: the first column", 1066, 683, 0, 0, "0.000000", "100.000000"},
      {"no extent in X: both scales stay 0", 0, 683, 10, 20, "0.000000", "100.000000"},
      {"image one pixel wide: scaleX 0", 100, 1, 0, 50, "0.000000", "83.333333"},
  };
  for (const auto& c : cases) {
    SizeMapImage(c.imageWidth, 397);
    ASSERT_EQ(fMain->ImageM->Width(), c.imageWidth) << c.name;
    SetMap({{0, 0, 1}, {c.width, 100, 2}}, {});
    View().scaleX = 0;
    View().scaleY = 0;
    fMain->DrawMap();
    Move(c.x, c.y);
    EXPECT_EQ(fMain->EditX->Text(), c.mapX) << c.name;
    EXPECT_EQ(fMain->EditY->Text(), c.mapY) << c.name;
  }
}

// The scan starts from a distance of 2147483647.0: when every point is at
// least that far from the pointer, point 0 is the nearest, even if another
// is nearer than it.
TEST_F(PointerTracking, NearestPointScanStartsAt2147483647) {
  // The pointer at pixel (0, 0) is the map's corner (-2147483648,
  // 2147483647), which only a road vertex reaches; point 0 lies about 6.1e9
  // map units away and point 1 about 4.3e9.
  SetMap({{INT32_MAX, INT32_MIN, 1}, {INT32_MAX, INT32_MAX, 2}},
         {{1, 2, 1, {{INT32_MIN, INT32_MAX}, {INT32_MAX, INT32_MAX}}}});
  fMain->DrawMap();
  Move(0, 0);
  EXPECT_EQ(currentPoint, 0);
  EXPECT_EQ(fMain->EditIndex->Text(), "0");
}

// After the map is closed the (hidden) picture is redrawn from the kept
// bounds: the background and the cursor mark only.
TEST_F(PointerTracking, CloseRedrawsTheBackgroundAndTheCursorMarkOnly) {
  OpenRowTown();
  RunSteps({{false, 0, 300}, {true, 0, 300}, {false, 200, 300}, {false, 150, 150}});
  fMain->Close1Click(fMain->Close1);
  const int pixels = fMain->ImageM->Width() * fMain->ImageM->Height();
  EXPECT_EQ(CountPixels(clGray), 4);
  EXPECT_EQ(ImagePixel(149, 149), clGray);
  EXPECT_EQ(CountPixels(BackgroundColor()), pixels - 4);
}

// The boxes show each step as it happens: X, Y, Code and Index are repainted
// before the route search runs (while the Time box still shows the last
// search), the Length box after it.
TEST_F(PointerTracking, ReadOutBoxesAreRepaintedAroundTheSearch) {
  fMain->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(fMain->Widget()));
  OpenRowTown();
  RunSteps({{false, 0, 300}, {true, 0, 300}});
  fMain->EditTime->SetText("before");
  QApplication::processEvents();  // nothing left to paint
  // Each box's first paint, with the Time box's text at that moment.
  std::vector<std::pair<std::string, std::string>> paints;
  PaintRecorder recorder([&](QObject* box) {
    const std::string name = box->objectName().toStdString();
    for (const auto& paint : paints)
      if (paint.first == name) return;
    paints.emplace_back(name, fMain->EditTime->Text());
  });
  const std::pair<TEdit*, const char*> boxes[] = {{fMain->EditX, "X"},
                                                  {fMain->EditY, "Y"},
                                                  {fMain->EditCode, "Code"},
                                                  {fMain->EditIndex, "Index"},
                                                  {fMain->EditL, "Length"}};
  for (const auto& [box, name] : boxes) {
    box->Widget()->setObjectName(name);
    box->Widget()->installEventFilter(&recorder);
  }
  Move(200, 300);
  const std::string ticks = fMain->EditTime->Text();
  ASSERT_NE(ticks, "before");
  EXPECT_EQ(
      paints,
      (std::vector<std::pair<std::string, std::string>>{
          {"X", "before"}, {"Y", "before"}, {"Code", "before"}, {"Index", "before"}, {"Length", ticks}}));
}

// The nearest point found through the area index is exactly the one a scan
// of every point finds: on random maps with clusters, points on top of each
// other and equally far ones, at pointer positions on and far off the map,
// at the whole-map view and zoomed in; also when the bounds no longer cover
// the points, as after a failed load.
TEST_F(PointerTracking, NearestPointIsThatOfTheFullScan) {
  std::mt19937 random(21);
  const auto pick = [&random](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(random);
  };
  for (int round = 0; round < 40; ++round) {
    std::vector<PointSpec> ps;
    // Every third map is a small lattice drawn at a whole scale, so that the
    // pointer lands exactly halfway between points, often in other cells.
    const bool lattice = round % 3 == 2;
    for (int32_t i = pick(1, 400); i > 0; --i) {
      if (lattice)
        ps.push_back({pick(0, 30) * 10, pick(0, 30) * 10, 0});
      else if (!ps.empty() && pick(0, 5) == 0)
        ps.push_back(ps[pick(0, static_cast<int32_t>(ps.size()) - 1)]);  // on top of another
      else if (pick(0, 3) == 0)
        ps.push_back({pick(0, 20) * 50, pick(0, 20) * 50, 0});  // on a lattice: many equal distances
      else
        ps.push_back({pick(-3000, 3000), pick(-2000, 2000), 0});
    }
    if (round % 5 == 0) ps.push_back({INT32_MAX, INT32_MIN, 0});  // far away: distances beyond 2^31
    SetMap(ps, {});
    if (round % 4 == 3) {  // bounds that no longer cover the points
      maxX -= 500;
      minNegY += 500;
    }
    fMain->DrawMap();
    fMain->ShowWholeMap();
    if (round % 2 == 1 && !lattice) ZoomAround(View(), pick(1, 8), pick(0, 682), pick(0, 396));
    fMain->DrawMap();
    for (int move = 0; move < 50; ++move) {
      const int x = lattice ? pick(0, 682) : pick(-2000, 2700),
                y = lattice ? pick(0, 396) : pick(-2000, 2400);
      currentPoint = -1;
      Move(x, y);
      ASSERT_EQ(currentPoint, NearestPointByFullScan(x, y)) << "round " << round << " move " << move;
    }
  }
}
