#include "tests/view_fixture.h"

#include <algorithm>

#include "app/main_form.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/route_search.h"
#include "toolkit/graphics.h"
#include "toolkit/image.h"
#include "toolkit/qt_colors.h"
#include "view/map_transform.h"
#include "view/nearest_point.h"

void ViewTest::SetUp() {
  ClearMapAndRoute();
  BuildRoadGraph();  // of the empty store: all bounds 0
  std::fill(std::begin(pointOnRoute), std::end(pointOnRoute), 0);
  std::fill(std::begin(segmentOnRoute), std::end(segmentOnRoute), 0);
  MainFormTest::SetUp();
}

TBitmap* MapBitmap() { return fMain->ImageM->Picture()->GetBitmap(); }

TColor ImagePixel(int x, int y) { return fMain->ImageM->Picture()->GetBitmap()->GetCanvas()->Pixel(x, y); }

TColor BackgroundColor() { return FromQRgb(ToQRgb(clWindow)); }

int CountPixels(TColor color) {
  const TBitmap* bitmap = fMain->ImageM->Picture()->GetBitmap();
  int count = 0;
  for (int y = 0; y < bitmap->Height(); ++y)
    for (int x = 0; x < bitmap->Width(); ++x) count += ImagePixel(x, y) == color ? 1 : 0;
  return count;
}

int32_t NearestPointByFullScan(int x, int y) {
  return NearestPointByScan(PixelToMapX(View(), x), PixelToMapY(View(), y));
}
