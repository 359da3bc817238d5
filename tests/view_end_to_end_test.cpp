// The sample map in the shown window on Qt's offscreen platform: opened
// through the File menu and the real dialog, explored with real mouse
// events, its route checked in the image's pixels, the view options and a
// resize applied through the window.
#include <gtest/gtest.h>

#include <QAction>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <iterator>
#include <string>

#include "app/main_form.h"
#include "map/map_store.h"
#include "route/route_search.h"
#include "tests/modal_script.h"
#include "tests/view_fixture.h"
#include "toolkit/controls.h"
#include "toolkit/graphics.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"
#include "toolkit/text.h"
#include "view/map_transform.h"
#include "view/map_view.h"

namespace {

// On the sample map, code 1 (index 0) and code 200 (index 199) are joined by
// a route of 19 points.
constexpr int32_t kStart = 0;
constexpr int32_t kTarget = 199;

// The pixel at which point index is drawn.
QPoint PixelOf(int32_t index) {
  return {MapToPixelX(View(), points[index].X), MapToPixelY(View(), points[index].Y)};
}

// The coordinate text of a whole number of map units.
std::string CoordinateText(int32_t value) { return IntToStr(value) + ".000000"; }

class ViewEndToEnd : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    fMain->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fMain->Widget()));
  }

  // A pointer event at pixel p of the map image, sent to the window as the
  // window system would.
  static QWindow* Window() { return fMain->Widget()->windowHandle(); }
  static QPoint InWindow(QPoint p) { return fMain->ImageM->Widget()->mapTo(fMain->Widget(), p); }
  static void MoveTo(QPoint p) { QTest::mouseMove(Window(), InWindow(p)); }
  static void Click(QPoint p) { QTest::mouseClick(Window(), Qt::LeftButton, {}, InWindow(p)); }

  static void OpenSampleMap() {
    const std::string path = std::string(RUVEL_SOURCE_DIR) + "/Maps/Mtown.mif";
    ASSERT_EQ(RunWithModalSteps(
                  [] {
                    fMain->Open1->Action()->trigger();
                    WaitForMapWork();
                  },
                  {[&path](QWidget* modal) { ConfirmFileDialog(modal, path); }}),
              1);
    ASSERT_EQ(pointCount, 323);
    ASSERT_TRUE(fMain->ImageM->Widget()->isVisible());
  }

  // Moves onto point index and checks the boxes that show it.
  static void MoveOnto(int32_t index) {
    MoveTo(PixelOf(index));
    EXPECT_EQ(fMain->EditX->Text(), CoordinateText(points[index].X));
    EXPECT_EQ(fMain->EditY->Text(), CoordinateText(points[index].Y));
    EXPECT_EQ(fMain->EditCode->Text(), IntToStr(points[index].Code));
    EXPECT_EQ(fMain->EditIndex->Text(), IntToStr(index));
  }

  // Every point's dot in its colour: blue for the start and current points,
  // red on the route, black elsewhere.
  static void ExpectPointColours() {
    for (int32_t i = 0; i < pointCount; ++i) {
      const TColor expected = i == startPoint || i == currentPoint ? clBlue
                              : pointOnRoute[i]                    ? clRed
                                                                   : clBlack;
      const QPoint p = PixelOf(i);
      ASSERT_EQ(ImagePixel(p.x(), p.y()), expected) << "point " << i;
    }
  }
};

}  // namespace

TEST_F(ViewEndToEnd, PointerFindsAndDrawsTheRouteThroughTheWindow) {
  OpenSampleMap();
  ASSERT_EQ(View().scaleX, 4);
  ASSERT_EQ(View().scaleY, 4);

  MoveOnto(kStart);
  EXPECT_EQ(fMain->EditL->Text(), "-1");
  Click(PixelOf(kStart));
  EXPECT_EQ(startPoint, kStart);
  MoveOnto(kTarget);
  EXPECT_EQ(fMain->EditL->Text(), "19");
  EXPECT_EQ(std::count(std::begin(pointOnRoute), std::end(pointOnRoute), 1), 19);
  ExpectPointColours();
  // Besides the 17 red dots of its inner points, the route's roads are red.
  EXPECT_GT(CountPixels(clRed), 17 * 9);
  EXPECT_EQ(CountPixels(clGray), 4);  // the cursor mark around the pointer

  // View, Points off: the roads stay, in their colours.
  fMain->Points1->Action()->trigger();
  EXPECT_FALSE(fMain->Points1->Checked());
  EXPECT_EQ(CountPixels(clBlue), 0);
  EXPECT_GT(CountPixels(clRed), 0);
  EXPECT_GT(CountPixels(clBlack), 0);
  // View, Lines off as well: the background and the cursor mark.
  fMain->Lines1->Action()->trigger();
  EXPECT_EQ(CountPixels(BackgroundColor()), 683 * 397 - 4);
  fMain->Points1->Action()->trigger();
  fMain->Lines1->Action()->trigger();
  ExpectPointColours();
}

TEST_F(ViewEndToEnd, PictureFollowsTheWindowSize) {
  OpenSampleMap();
  MoveOnto(kStart);
  Click(PixelOf(kStart));
  MoveOnto(kTarget);

  fMain->Widget()->resize(fMain->Width() + 200, fMain->Height() + 100);
  ASSERT_TRUE(QTest::qWaitFor([] { return fMain->ImageM->Width() == 883; }));
  EXPECT_EQ(fMain->ImageM->Height(), 497);
  const TBitmap* bitmap = fMain->ImageM->Picture()->GetBitmap();
  EXPECT_EQ(bitmap->Width(), 883);
  EXPECT_EQ(bitmap->Height(), 497);
  EXPECT_EQ(View().scaleX, 6);  // 883 div 147
  EXPECT_EQ(View().scaleY, 5);  // 497 div 86
  ExpectPointColours();

  // The pointer reads the map with the new scales.
  MoveOnto(100);
  EXPECT_EQ(fMain->EditL->Text(), IntToStr(FindRoute(1, points[100].Code)));
}
