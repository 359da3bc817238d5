// Antialiased drawing: translucent strokes laid once where lines overlap,
// far coordinates, dashes, circles, rotated text, and copying pixels
// between bitmaps.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <string>
#include <vector>

#include "toolkit/graphics.h"

namespace {

struct Sheet {
  TBitmap bitmap;
  Sheet(int width, int height, TColor ground = clWhite) {
    bitmap.Width(width);
    bitmap.Height(height);
    bitmap.GetCanvas()->Brush()->SetColor(ground);
    bitmap.GetCanvas()->FillRect(TRect(0, 0, width, height));
  }
  TColor At(int x, int y) { return bitmap.GetCanvas()->Pixel(x, y); }
  // The box of the pixels that differ from ground: left, top, right, bottom.
  TRect Ink(TColor ground = clWhite) {
    TRect box(bitmap.Width(), bitmap.Height(), 0, 0);
    for (int y = 0; y < bitmap.Height(); ++y)
      for (int x = 0; x < bitmap.Width(); ++x)
        if (At(x, y) != ground)
          box = TRect(std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                      std::max(box.bottom, y + 1));
    return box;
  }
};

}  // namespace

TEST(SmoothPainter, OverlappingTranslucentLinesAreLaidOnce) {
  Sheet sheet(100, 100);
  {
    TSmoothPainter painter(sheet.bitmap);
    // A cross, and a polyline doubling back over itself.
    painter.StrokePolylines({{10, 50}, {90, 50}, {50, 10}, {50, 90}, {20, 20}, {40, 20}, {25, 20}}, {0, 2, 4},
                            {clRed, 128, 8, 0, 0});
  }
  const TColor once = sheet.At(80, 50);
  EXPECT_NE(once, clWhite);
  EXPECT_NE(once, clRed);
  EXPECT_EQ(sheet.At(50, 50), once);
  EXPECT_EQ(sheet.At(30, 20), once);
}

TEST(SmoothPainter, FarCoordinatesDrawWhatTheirPartInTheImageShows) {
  Sheet near(200, 100), far(200, 100);
  {
    TSmoothPainter painter(near.bitmap);
    painter.StrokePolylines({{-50, 30.5}, {250, 60.5}}, {0}, {clBlue, 255, 3, 0, 0});
  }
  {
    TSmoothPainter painter(far.bitmap);
    // The same line, its ends pushed 2^40 pixels out along it.
    const double k = 1099511627776.0 / 300;
    painter.StrokePolylines({{-50 - 300 * k, 30.5 - 30 * k}, {250 + 300 * k, 60.5 + 30 * k}}, {0},
                            {clBlue, 255, 3, 0, 0});
  }
  EXPECT_NE(near.At(100, 45), clWhite);
  // The same pixels but for rounding in the last bit of a colour.
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 200; ++x) {
      const TColor a = near.At(x, y), b = far.At(x, y);
      for (int shift = 0; shift < 24; shift += 8)
        ASSERT_LE(std::abs(static_cast<int>(a >> shift & 0xFF) - static_cast<int>(b >> shift & 0xFF)), 2)
            << x << ", " << y;
    }
  }
}

TEST(SmoothPainter, DashedLinesHaveGapsAndCirclesTheirSize) {
  Sheet sheet(120, 40);
  {
    TSmoothPainter painter(sheet.bitmap);
    painter.StrokePolylines({{10, 10.5}, {110, 10.5}}, {0}, {clBlack, 255, 2, 6, 4});
  }
  int inked = 0, gaps = 0;
  for (int x = 12; x < 108; ++x) (sheet.At(x, 10) == clWhite ? gaps : inked) += 1;
  EXPECT_GT(gaps, 20);
  EXPECT_GT(inked, 40);
  Sheet disc(40, 40);
  {
    TSmoothPainter painter(disc.bitmap);
    painter.DrawCircle({20, 20}, 5, clBlue, clBlack, 2);
  }
  EXPECT_EQ(disc.At(20, 20), clBlue);
  const TRect ink = disc.Ink();
  EXPECT_EQ(std::vector<int>({ink.left, ink.top, ink.right, ink.bottom}), std::vector<int>({14, 14, 26, 26}));
}

TEST(SmoothPainter, TextIsMeasuredAndTurned) {
  const TTextExtent shortText = MeasureText("Mill", 11), longText = MeasureText("Mill Lane Road", 11);
  EXPECT_GT(shortText.width, 10);
  EXPECT_GT(longText.width, 2.5 * shortText.width);
  EXPECT_GT(shortText.ascent + shortText.descent, 9);
  for (const double angle : {0.0, 1.5707963267948966}) {
    Sheet sheet(120, 120);
    {
      TSmoothPainter painter(sheet.bitmap);
      painter.DrawText({60, 60}, angle, "Mill Lane Road", {clBlack, 11, clWhite, 2});
    }
    const TRect ink = sheet.Ink();
    const int along = angle == 0 ? ink.right - ink.left : ink.bottom - ink.top;
    const int across = angle == 0 ? ink.bottom - ink.top : ink.right - ink.left;
    EXPECT_NEAR(along, longText.width, 4) << angle;
    EXPECT_LT(across, 20) << angle;
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 60, 2) << angle;
  }
}

TEST(Canvas, CopyRectCopiesOnlyItsPixels) {
  Sheet source(30, 20, clRed), target(40, 10, clWhite);
  target.bitmap.GetCanvas()->CopyRect(TRect(25, -5, 60, 4), source.bitmap);
  const TRect ink = target.Ink();
  EXPECT_EQ(std::vector<int>({ink.left, ink.top, ink.right, ink.bottom}), std::vector<int>({25, 0, 30, 4}));
  EXPECT_EQ(target.At(29, 3), clRed);
}
