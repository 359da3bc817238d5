#pragma once

#include <cstdint>

#include "tests/main_form_fixture.h"
#include "toolkit/colors.h"

class TBitmap;

// A main window test with an empty map and graph and no route marked; the
// new window's view is as at program start: both scales 0, the pointer at
// (0, 0).
class ViewTest : public MainFormTest {
 protected:
  void SetUp() override;
};

// ImageM's bitmap.
TBitmap* MapBitmap();

// The colour of pixel (x, y) of ImageM's bitmap, as RGB.
TColor ImagePixel(int x, int y);

// The window background colour as the bitmap stores it.
TColor BackgroundColor();

// The number of pixels of ImageM's bitmap that have the colour.
int CountPixels(TColor color);

// The point nearest to the map position of pixel (x, y) of the view, by the
// plain scan of every point that the pointer tracking must agree with.
int32_t NearestPointByFullScan(int x, int y);
