// Zooming and panning: level 0 is the whole-map view exactly; above it the
// view draws only what it shows, clipped without changing a pixel, and the
// wheel, the keys, Open, Close and resizing move it as a user expects.
#include "view/map_zoom.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <random>
#include <vector>

#include "app/main_form.h"
#include "app/offscreen_window.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "tests/store_setup.h"
#include "tests/view_fixture.h"
#include "toolkit/graphics.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"
#include "toolkit/text.h"
#include "view/map_transform.h"
#include "view/map_view.h"

namespace {

QImage Picture() { return MapBitmap()->Image().copy(); }
int Width() { return fMain->ImageM->Width(); }
int Height() { return fMain->ImageM->Height(); }

// A town of 100 points on a 10 x 10 grid 100 units apart, each joined to its
// east and south neighbours by a road with a bend, codes 1..100.
void OpenGridTown() {
  std::vector<PointSpec> ps;
  std::vector<SegmentSpec> ss;
  for (int32_t i = 0; i < 100; ++i) ps.push_back({i % 10 * 100, i / 10 * 100, i + 1});
  for (int32_t i = 0; i < 100; ++i) {
    const PointSpec& p = ps[i];
    if (i % 10 < 9) ss.push_back({i + 1, i + 2, 100, {{p.x, p.y}, {p.x + 50, p.y + 7}, {p.x + 100, p.y}}});
    if (i < 90) ss.push_back({i + 1, i + 11, 100, {{p.x, p.y}, {p.x - 7, p.y + 50}, {p.x, p.y + 100}}});
  }
  SetMap(ps, ss);
  fMain->ImageM->Visible(true);
  fMain->DrawMap();
}

void Key(TKey key) {
  TKey k = key;
  fMain->FormKeyDown(fMain, k, 0);
}

// The map point (X, negated Y) under pixel (x, y) of the view.
std::pair<double, double> MapPointAt(int x, int y) {
  return {PixelToMapX(View(), x), -PixelToMapY(View(), y)};
}

// The brute-force picture of the roads at the present zoom, all black: each
// pair of vertices of every road drawn whole, with MoveTo and LineTo, into a
// bitmap just large enough to hold it, and the pixels that fall in the image
// copied there. What DrawMap draws at a zoom must be exactly this.
QImage WholeRoadsCropped() {
  TBitmap expected;
  expected.Width(Width());
  expected.Height(Height());
  TCanvas* out = expected.GetCanvas();
  out->Brush()->SetColor(clWindow);
  out->FillRect(TRect(0, 0, Width(), Height()));
  for (int32_t j = 0; j < segmentCount; ++j) {
    const DynamicArray<TPoint>& v = segments[j].Vertices;
    for (int32_t k = 1; k < v.Length(); ++k) {
      const int64_t ax = ZoomedPixelX(View(), v[k - 1].x), ay = ZoomedPixelY(View(), v[k - 1].y);
      const int64_t bx = ZoomedPixelX(View(), v[k].x), by = ZoomedPixelY(View(), v[k].y);
      const int64_t left = std::min(ax, bx), top = std::min(ay, by);
      if (left >= Width() || top >= Height() || std::max(ax, bx) < 0 || std::max(ay, by) < 0) continue;
      TBitmap whole;
      whole.Width(static_cast<int>(std::max(ax, bx) - left + 1));
      whole.Height(static_cast<int>(std::max(ay, by) - top + 1));
      TCanvas* canvas = whole.GetCanvas();
      canvas->Brush()->SetColor(clWhite);
      canvas->FillRect(TRect(0, 0, whole.Width(), whole.Height()));
      canvas->MoveTo(static_cast<int>(ax - left), static_cast<int>(ay - top));
      canvas->LineTo(static_cast<int>(bx - left), static_cast<int>(by - top));
      for (int y = 0; y < whole.Height(); ++y)
        for (int x = 0; x < whole.Width(); ++x)
          if (canvas->Pixel(x, y) == clBlack)
            out->SetPixel(static_cast<int>(left + x), static_cast<int>(top + y), clBlack);
    }
  }
  return expected.Image().copy();
}

class MapZoom : public ViewTest {};

}  // namespace

// Zooming in and back out gives the whole-map view again, pixel for pixel;
// zooming out at level 0 does nothing.
TEST_F(MapZoom, LevelZeroIsTheWholeMapViewExactly) {
  OpenGridTown();
  const QImage whole = Picture();
  EXPECT_FALSE(ZoomAround(View(), -1, 100, 100));
  ASSERT_TRUE(ZoomAround(View(), 1, 300, 200));
  fMain->DrawMap();
  ASSERT_TRUE(ZoomAround(View(), 1, 250, 150));
  fMain->DrawMap();
  EXPECT_NE(Picture(), whole);
  ASSERT_TRUE(ZoomAround(View(), -2, 10, 10));
  EXPECT_EQ(View().zoomLevel, 0);
  fMain->DrawMap();
  EXPECT_EQ(Picture(), whole);
}

// The map point under the pointer stays under it, within a pixel, while the
// wheel zooms in and out, unless the pan limit moves the view; zooming in
// and out around the same pixel returns to the same view.
TEST_F(MapZoom, TheMapPointUnderThePointerStaysThere) {
  OpenGridTown();
  std::mt19937 random(3);
  for (int trial = 0; trial < 200; ++trial) {
    const int x = std::uniform_int_distribution<int>(0, Width() - 1)(random);
    const int y = std::uniform_int_distribution<int>(0, Height() - 1)(random);
    const int levels = std::uniform_int_distribution<int>(-3, 5)(random);
    const auto before = MapPointAt(x, y);
    const int32_t fromLevel = View().zoomLevel;
    if (!ZoomAround(View(), levels, x, y)) continue;
    fMain->DrawMap();
    const bool limited = View().zoomCenterX == minX || View().zoomCenterX == maxX ||
                         View().zoomCenterNegY == minNegY || View().zoomCenterNegY == maxNegY ||
                         View().zoomLevel == 0 || fromLevel == 0;
    if (limited) continue;
    const auto after = MapPointAt(x, y);
    const double pixelX = 1 / std::ldexp(View().scaleX, View().zoomLevel),
                 pixelY = 1 / std::ldexp(View().scaleY, View().zoomLevel);
    EXPECT_NEAR(after.first, before.first, pixelX) << trial;
    EXPECT_NEAR(after.second, before.second, pixelY) << trial;
  }
  fMain->ShowWholeMap();
  ASSERT_TRUE(ZoomAround(View(), 3, 400, 200));
  const double centerX = View().zoomCenterX, centerNegY = View().zoomCenterNegY;
  fMain->DrawMap();
  const QImage at3 = Picture();
  ASSERT_TRUE(ZoomAround(View(), 2, 100, 300));
  fMain->DrawMap();
  ASSERT_TRUE(ZoomAround(View(), -2, 100, 300));
  fMain->DrawMap();
  EXPECT_NEAR(View().zoomCenterX, centerX, 1e-9);
  EXPECT_NEAR(View().zoomCenterNegY, centerNegY, 1e-9);
  EXPECT_EQ(Picture(), at3);
}

// The arrow keys pan by a quarter of the image, never taking the view's
// centre off the map; at level 0 they do nothing; Home returns to level 0.
TEST_F(MapZoom, PanningStopsAtTheMapsBoundsAndHomeReturns) {
  OpenGridTown();
  const QImage whole = Picture();
  Key(VK_RIGHT);
  EXPECT_EQ(View().zoomLevel, 0);
  EXPECT_EQ(Picture(), whole);
  Key(VK_ADD);
  Key(VK_ADD);
  ASSERT_EQ(View().zoomLevel, 2);
  const double x = View().zoomCenterX;
  Key(VK_RIGHT);
  EXPECT_NEAR(View().zoomCenterX - x, Width() / 4.0 / std::ldexp(View().scaleX, 2), 1e-9);
  for (int i = 0; i < 50; ++i) Key(VK_RIGHT), Key(VK_UP);
  EXPECT_EQ(View().zoomCenterX, maxX);
  EXPECT_EQ(View().zoomCenterNegY, minNegY);
  EXPECT_GT(CountPixels(clBlack), 100);  // a quarter of the view still shows the map
  for (int i = 0; i < 50; ++i) Key(VK_LEFT), Key(VK_DOWN);
  EXPECT_EQ(View().zoomCenterX, minX);
  EXPECT_EQ(View().zoomCenterNegY, maxNegY);
  Key(VK_SUBTRACT);
  EXPECT_EQ(View().zoomLevel, 1);
  Key(VK_HOME);
  EXPECT_EQ(View().zoomLevel, 0);
  EXPECT_EQ(Picture(), whole);
}

// Open and Close return to the whole-map view; a resize keeps the level and
// the map point at the image's centre.
TEST_F(MapZoom, OpenCloseAndResize) {
  OpenGridTown();
  ASSERT_TRUE(ZoomAround(View(), 3, 100, 100));
  fMain->DrawMap();
  const double centerX = View().zoomCenterX, centerNegY = View().zoomCenterNegY;
  SizeMapImage(500, 300);
  fMain->FormResize(fMain);  // as the window system's resize brings about
  EXPECT_EQ(View().zoomLevel, 3);
  EXPECT_EQ(View().zoomCenterX, centerX);
  EXPECT_NEAR(PixelToMapX(View(), 250), centerX, 1e-9);
  EXPECT_NEAR(-PixelToMapY(View(), 150), centerNegY, 1e-9);
  fMain->Close1Click(fMain->Close1);
  EXPECT_EQ(View().zoomLevel, 0);
}

// The keys reach the map whichever control has the focus: real key presses
// sent to a read-out box that holds the focus zoom and pan the map and do
// not move the box's cursor. Without a map shown, they are the box's.
TEST_F(MapZoom, KeysReachTheMapFromTheFocusedBox) {
  fMain->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(fMain->Widget()));
  auto* box = static_cast<QLineEdit*>(fMain->EditX->Widget());
  fMain->EditX->SetText("12345.000000");
  box->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([box] { return box->hasFocus(); }));
  QTest::keyClick(box, Qt::Key_End);
  EXPECT_EQ(box->cursorPosition(), 12);  // no map shown: the box's own key
  QTest::keyClick(box, Qt::Key_Plus);
  EXPECT_EQ(View().zoomLevel, 0);

  OpenGridTown();
  QTest::keyClick(box, Qt::Key_Plus);
  EXPECT_EQ(View().zoomLevel, 1);
  const double x = View().zoomCenterX;
  QTest::keyClick(box, Qt::Key_Left);
  EXPECT_LT(View().zoomCenterX, x);
  EXPECT_EQ(box->cursorPosition(), 12);  // the box did not see the key
  QTest::keyClick(box, Qt::Key_Home);
  EXPECT_EQ(View().zoomLevel, 0);
  EXPECT_EQ(box->cursorPosition(), 12);
}

// The wheel turns as Qt reports them: a notch a level; a touchpad's small
// steps add up; each zoom shows the pointer's new position.
TEST_F(MapZoom, WheelNotchesAddUp) {
  OpenGridTown();
  QWidget* image = fMain->ImageM->Widget();
  const auto turn = [image](int delta) {
    QWheelEvent wheel(QPointF(200.5, 100.5), image->mapToGlobal(QPointF(200.5, 100.5)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(image, &wheel);
  };
  turn(40);
  turn(40);
  EXPECT_EQ(View().zoomLevel, 0);
  turn(40);
  EXPECT_EQ(View().zoomLevel, 1);
  EXPECT_EQ(View().pointerX, 200);  // the pointer's new map position is shown
  EXPECT_EQ(fMain->EditX->Text(), FloatToStrF(PixelToMapX(View(), 200), ffFixed, 8, 6));
  turn(240);
  EXPECT_EQ(View().zoomLevel, 3);
  turn(-360);
  EXPECT_EQ(View().zoomLevel, 0);
}

// At a zoom the roads are clipped at the image's edges without changing a
// pixel: the picture is exactly every road drawn whole and cut to the
// image; a road wholly outside is not drawn.
TEST_F(MapZoom, RoadsAreClippedWithoutChangingAPixel) {
  OpenGridTown();
  fMain->Points1->SetChecked(false);
  std::mt19937 random(5);
  for (int trial = 0; trial < 30; ++trial) {
    fMain->ShowWholeMap();
    fMain->DrawMap();
    const int x = std::uniform_int_distribution<int>(0, Width() - 1)(random);
    const int y = std::uniform_int_distribution<int>(0, Height() - 1)(random);
    ASSERT_TRUE(ZoomAround(View(), std::uniform_int_distribution<int>(1, 6)(random), x, y));
    fMain->DrawMap();
    View().pointerX = View().pointerY = 0;
    fMain->DrawMap();
    ASSERT_EQ(Picture(), WholeRoadsCropped()) << "trial " << trial;
  }
  // A view inside the first block of the grid, roads all around it but none
  // in sight: nothing drawn.
  View().zoomLevel = 5;
  View().zoomCenterX = 50;
  View().zoomCenterNegY = -50;
  fMain->DrawMap();
  EXPECT_EQ(CountPixels(clBlack), 0);
}

// At a zoom, the pointer's map position is the one under it at this zoom,
// and the nearest point is the one a scan of the whole map finds.
TEST_F(MapZoom, PointerTrackingAtAZoom) {
  OpenGridTown();
  ASSERT_TRUE(ZoomAround(View(), 4, 300, 200));
  fMain->DrawMap();
  std::mt19937 random(8);
  for (int trial = 0; trial < 100; ++trial) {
    const int x = std::uniform_int_distribution<int>(-50, Width() + 50)(random);
    const int y = std::uniform_int_distribution<int>(-50, Height() + 50)(random);
    fMain->ImageMMouseMove(fMain->ImageM, 0, x, y);
    EXPECT_EQ(currentPoint, NearestPointByFullScan(x, y));
  }
}
