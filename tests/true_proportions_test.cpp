// True proportions: one scale for both axes, the map centred at level 0,
// and the transform, its inverse and the zoom agreeing in such a view; the
// View menu's item that switches it.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <random>

#include "app/main_form.h"
#include "map/road_graph.h"
#include "tests/store_setup.h"
#include "tests/test_files.h"
#include "tests/view_fixture.h"
#include "toolkit/graphics.h"
#include "toolkit/menus.h"
#include "view/map_transform.h"
#include "view/map_zoom.h"
#include "view/road_style.h"

TEST(TrueProportions, OneScaleTheMapCentredAndTheInverseAndTheZoomAgree) {
  std::mt19937 random(1026), far(1027);
  const auto pick = [&](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(random);
  };
  for (int round = 0; round < 300; ++round) {
    const int32_t x0 = pick(-100000, 100000), y0 = pick(-100000, 100000);
    const int32_t x1 = x0 + pick(1, 1 << pick(1, 20)), y1 = y0 + pick(1, 1 << pick(1, 20));
    SetMap({{x0, y0, 1}, {x1, y1, 2}}, {});
    MapView plain;
    plain.width = pick(1, 900);
    plain.height = pick(1, 700);
    MapView view = plain;
    view.proportional = true;
    FitViewScales(plain);
    FitViewScales(view);
    SCOPED_TRACE("round " + std::to_string(round));
    ASSERT_EQ(view.scaleX, view.scaleY);
    ASSERT_EQ(view.scaleX, std::min(plain.scaleX, plain.scaleY));
    // The map's corners lie in the image, as far from its left as from its
    // right edge, and from its top as from its bottom, to a pixel.
    const int64_t left = ZoomedPixelX(view, x0), right = ZoomedPixelX(view, x1);
    const int64_t top = ZoomedPixelY(view, y1), bottom = ZoomedPixelY(view, y0);
    EXPECT_GE(left, 0);
    EXPECT_LE(right, view.width);
    EXPECT_GE(top, 0);
    EXPECT_LE(bottom, view.height);
    EXPECT_LE(std::abs(left + right - view.width), 2);
    EXPECT_LE(std::abs(top + bottom - view.height), 2);
    if (view.scaleX == 0) continue;
    // A pixel's map position lies within a pixel of any map point drawn in it.
    const int32_t x = pick(x0, x1), y = pick(y0, y1);
    const double pixel = 1 / view.placedScaleX;
    EXPECT_LE(std::fabs(PixelToMapX(view, static_cast<int32_t>(ZoomedPixelX(view, x))) - x),
              pixel * 1.000001);
    EXPECT_LE(std::fabs(PixelToMapY(view, static_cast<int32_t>(ZoomedPixelY(view, y))) - y),
              pixel * 1.000001);
    // Zooming in keeps the map point under the pixel zoomed around there,
    // unless the view's centre had to be kept on the map.
    const int32_t px = pick(0, view.width - 1), py = pick(0, view.height - 1);
    const double mapX = PixelToMapX(view, px), mapY = PixelToMapY(view, py);
    ASSERT_TRUE(ZoomAround(view, pick(1, 6), px, py));
    const double centreX = view.zoomCenterX, centreNegY = view.zoomCenterNegY;
    FitViewScales(view);
    for (int k = 0; k < 20; ++k) {  // the floor of the placed transform, on either side of its origin
      const int32_t farX = x0 - 300000 + static_cast<int32_t>(far() % (x1 - x0 + 600000));
      const int32_t farY = y0 - 300000 + static_cast<int32_t>(far() % (y1 - y0 + 600000));
      ASSERT_EQ(ZoomedPixelX(view, farX), std::floor((farX - view.placedOriginX) * view.placedScaleX));
      ASSERT_EQ(ZoomedPixelY(view, farY), std::floor((-farY - view.placedOriginNegY) * view.placedScaleY));
    }
    if (centreX == x0 || centreX == x1 || centreNegY == -y0 || centreNegY == -y1) continue;
    EXPECT_LE(std::fabs(PixelToMapX(view, px) - mapX), 1 / view.placedScaleX);
    EXPECT_LE(std::fabs(PixelToMapY(view, py) - mapY), 1 / view.placedScaleY);
  }
}

class TrueProportionsItem : public ViewTest {};

// A map without road classes opens as before: Road map disabled, True
// proportions enabled and unchecked. Checking it gives one scale and
// another picture; unchecking it gives the first picture back; Close
// disables it.
TEST_F(TrueProportionsItem, SwitchesTheViewOfAMapWithoutClasses) {
  TempDir dir;
  fMain->OpenGivenMap(WriteLayers(dir, ExampleTown()));
  WaitForMapWork();
  EXPECT_FALSE(fMain->RoadMap1->Enabled());
  EXPECT_FALSE(fMain->RoadMap1->Checked());
  EXPECT_TRUE(fMain->TrueProportions1->Enabled());
  EXPECT_FALSE(fMain->TrueProportions1->Checked());
  const QImage plain = MapBitmap()->Image().copy();
  ASSERT_NE(View().scaleX, View().scaleY);
  fMain->TrueProportions1Click(fMain);
  EXPECT_TRUE(fMain->TrueProportions1->Checked());
  EXPECT_EQ(View().scaleX, View().scaleY);
  EXPECT_FALSE(MapBitmap()->Image() == plain);
  fMain->TrueProportions1Click(fMain);
  EXPECT_TRUE(MapBitmap()->Image() == plain);
  fMain->TrueProportions1Click(fMain);
  fMain->Close1Click(fMain);
  EXPECT_FALSE(fMain->TrueProportions1->Enabled());
  EXPECT_FALSE(fMain->TrueProportions1->Checked());
  EXPECT_FALSE(View().proportional);
}

// A map with a Class column opens as a road map in true proportions; Road
// map unchecked gives the plain picture of the same view.
TEST_F(TrueProportionsItem, AMapWithClassesOpensAsARoadMap) {
  TempDir dir;
  LayerTexts town = ExampleTown();
  town.sMif =
      "Version 300\nColumns 4\n  From Integer\n  To Integer\n  Length Integer\n  Class Char(10)\nData\n" +
      town.sMif.substr(town.sMif.find("Pline"));
  town.sMid = "1,2,200,primary\n2,3,210,path\n";
  fMain->OpenGivenMap(WriteLayers(dir, town));
  WaitForMapWork();
  EXPECT_TRUE(fMain->RoadMap1->Enabled());
  EXPECT_TRUE(fMain->RoadMap1->Checked());
  EXPECT_TRUE(fMain->TrueProportions1->Enabled());
  EXPECT_TRUE(fMain->TrueProportions1->Checked());
  EXPECT_EQ(View().scaleX, View().scaleY);
  EXPECT_EQ(ImagePixel(0, 0), kRoadMapBackground);
  fMain->RoadMap1Click(fMain);
  EXPECT_EQ(ImagePixel(0, 0), BackgroundColor());
  EXPECT_TRUE(View().proportional);
}
