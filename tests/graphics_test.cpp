#include "toolkit/graphics.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QTemporaryDir>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "toolkit/exceptions.h"
#include "toolkit/qt_colors.h"

namespace {

using Picture = std::vector<std::string>;

// Tests draw with a red pen and a blue brush on white, so that a picture of
// the bitmap reads '.' for untouched, 'P' for pen and 'B' for brush pixels;
// 'W' is the window colour that PaletteOverride sets.
constexpr TColor kPen = clRed;
constexpr TColor kBrush = clBlue;
constexpr TColor kWindow = 0x00FF00;

struct Surface {
  TBitmap bitmap;
  TCanvas* canvas = bitmap.GetCanvas();

  Surface(int width, int height) {
    bitmap.Width(width);
    bitmap.Height(height);
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(TRect(0, 0, width, height));
    canvas->Pen()->SetColor(kPen);
    canvas->Brush()->SetColor(kBrush);
  }

  // The pixels of the window (left, top, width, height) as text.
  Picture Read(int left, int top, int width, int height) const {
    Picture rows(height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const TColor c = canvas->Pixel(left + x, top + y);
        rows[y] += c == clWhite ? '.' : c == kPen ? 'P' : c == kBrush ? 'B' : c == kWindow ? 'W' : '?';
      }
    }
    return rows;
  }
  Picture Read() const { return Read(0, 0, bitmap.Width(), bitmap.Height()); }
};

// Sets colours of the application palette for one test, restoring it after.
class PaletteOverride {
 public:
  explicit PaletteOverride(std::initializer_list<std::pair<QPalette::ColorRole, QColor>> roles)
      : original_(QGuiApplication::palette()) {
    QPalette palette = original_;
    for (const auto& [role, color] : roles) palette.setColor(role, color);
    QApplication::setPalette(palette);
  }
  ~PaletteOverride() { QApplication::setPalette(original_); }

 private:
  QPalette original_;
};

// The line from (x0, y0) to (x1, y1) by its definition: at step i of n, each
// coordinate has moved i * d / n rounded to nearest, halves away from the
// start; the end pixel (i = n) is not drawn.
Picture DefinedLine(int x0, int y0, int x1, int y1, int width, int height) {
  Picture picture(height, std::string(width, '.'));
  const int n = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
  const auto moved = [n](int i, int d) { return (d < 0 ? -1 : 1) * ((2 * i * std::abs(d) + n) / (2 * n)); };
  for (int i = 0; i < n; ++i) picture[y0 + moved(i, y1 - y0)][x0 + moved(i, x1 - x0)] = 'P';
  return picture;
}

// The ellipse of the w x h box at (1, 1) by its definition: pixel centres
// inside or on it, those with all four neighbours in it being interior.
Picture DefinedEllipse(int w, int h, int width, int height) {
  const auto in = [w, h](int64_t j, int64_t r) {
    const int64_t u = 2 * j + 1 - w, v = 2 * r + 1 - h;
    return j >= 0 && j < w && r >= 0 && r < h && u * u * h * h + v * v * w * w <= int64_t{w} * w * h * h;
  };
  Picture picture(height, std::string(width, '.'));
  for (int r = 0; r < h; ++r) {
    for (int j = 0; j < w; ++j) {
      if (!in(j, r)) continue;
      const bool interior = in(j - 1, r) && in(j + 1, r) && in(j, r - 1) && in(j, r + 1);
      picture[1 + r][1 + j] = interior ? 'B' : 'P';
    }
  }
  return picture;
}

// Draws the line from (x0, y0) to (x1, y1).
std::function<void(TCanvas&)> Line(int x0, int y0, int x1, int y1) {
  return [=](TCanvas& c) {
    c.MoveTo(x0, y0);
    c.LineTo(x1, y1);
  };
}

}  // namespace

TEST(Canvas, FillRectIncludesLeftAndTopExcludesRightAndBottom) {
  const struct {
    TRect rect;
    Picture picture;
  } cases[] = {
      {{1, 1, 3, 2}, {"....", ".BB.", "...."}},
      {{3, 1, 1, 2}, {"....", "....", "...."}},  // inverted: empty
      {{2, 0, 2, 3}, {"....", "....", "...."}},  // zero width
      {{-3, -3, 1, 2}, {"B...", "B...", "...."}},
      {{3, 2, 100, 100}, {"....", "....", "...B"}},
      {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {"BBBB", "BBBB", "BBBB"}},
  };
  for (const auto& c : cases) {
    Surface s(4, 3);
    s.canvas->FillRect(c.rect);
    EXPECT_EQ(s.Read(), c.picture) << c.rect.left << "," << c.rect.top << "," << c.rect.right;
  }
}

TEST(Canvas, LineToExcludesTheEndPixelInEveryDirection) {
  for (int x = 0; x < 9; ++x) {
    for (int y = 0; y < 9; ++y) {
      Surface s(9, 9);
      s.canvas->MoveTo(4, 4);
      s.canvas->LineTo(x, y);
      EXPECT_EQ(s.Read(), DefinedLine(4, 4, x, y, 9, 9)) << "to " << x << "," << y;
    }
  }
  Surface s(5, 3);  // a half rounds away from the start
  s.canvas->MoveTo(0, 0);
  s.canvas->LineTo(4, 2);
  EXPECT_EQ(s.Read(), (Picture{"P....", ".PP..", "...P."}));
}

TEST(Canvas, LineToContinuesFromItsEnd) {
  Surface s(5, 5);
  s.canvas->MoveTo(0, 0);
  s.canvas->LineTo(3, 0);
  s.canvas->LineTo(3, 3);
  s.canvas->MoveTo(-10, 4);
  s.canvas->LineTo(-5, 4);  // wholly outside, still moves the position
  s.canvas->LineTo(2, 4);
  EXPECT_EQ(s.Read(), (Picture{"PPPP.", "...P.", "...P.", ".....", "PP..."}));
}

TEST(Canvas, EllipseOutlinesWithThePenAndFillsWithTheBrush) {
  Surface s(7, 7);
  s.canvas->Ellipse(0, 0, 3, 3);  // the map's dot
  s.canvas->Ellipse(7, 7, 2, 2);  // the map's disc, corners given swapped
  s.canvas->Ellipse(0, 4, 0, 7);  // no width
  EXPECT_EQ(s.Read(), (Picture{"PPP....", "PBP....", "PPPPPP.", "..PBBBP", "..PBBBP", "..PBBBP", "...PPP."}));
  for (int w = 1; w <= 14; ++w) {  // table-served small boxes and computed larger ones
    for (int h = 1; h <= 14; ++h) {
      Surface box(16, 16);
      box.canvas->Ellipse(1, 1, 1 + w, 1 + h);
      EXPECT_EQ(box.Read(), DefinedEllipse(w, h, 16, 16)) << w << " x " << h;
    }
  }
}

TEST(Canvas, ExtremeCoordinatesClipWithoutOverflow) {
  const struct {
    const char* name;
    std::function<void(TCanvas&)> draw;
    Picture picture;
  } cases[] = {
      {"diagonal", Line(INT_MIN, INT_MIN, INT_MAX, INT_MAX), {"P...", ".P..", "..P."}},
      // Entering half way, its row needs the exact offset there.
      {"shallow", Line(INT_MIN, 0, INT_MAX, 3), {"....", "....", "PPPP"}},
      {"vertical", Line(3, INT_MAX, 3, INT_MIN), {"...P", "...P", "...P"}},
      {"far above", Line(INT_MIN, INT_MIN, INT_MAX, INT_MIN), {"....", "....", "...."}},
      {"ellipse around",
       [](TCanvas& c) { c.Ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX); },
       {"BBBB", "BBBB", "BBBB"}},
      {"ellipse left end",
       [](TCanvas& c) { c.Ellipse(0, INT_MIN, INT_MAX, INT_MAX); },
       {"PBBB", "PBBB", "PBBB"}},
      {"flat ellipse", [](TCanvas& c) { c.Ellipse(INT_MIN, 0, INT_MAX, 3); }, {"PPPP", "BBBB", "PPPP"}},
      {"pixels outside",
       [](TCanvas& c) {
         for (const auto& [x, y] :
              {std::pair{INT_MIN, 0}, {INT_MAX, INT_MAX}, {-1, 0}, {4, 0}, {0, 3}, {0, -1}})
           c.SetPixel(x, y, kPen);
       },
       {"....", "....", "...."}},
  };
  for (const auto& c : cases) {
    Surface s(4, 3);
    c.draw(*s.canvas);
    EXPECT_EQ(s.Read(), c.picture) << c.name;
  }
}

// Whatever part of a shape lies outside the bitmap, the pixels inside are
// those the whole shape has there: a small bitmap shows the same as the
// matching window of a big one that holds the shape unclipped.
TEST(Canvas, ClippingNeverChangesThePixelsInside) {
  constexpr int kLeft = 20, kTop = 20, kWidth = 12, kHeight = 9;
  std::mt19937 random(7);
  std::uniform_int_distribution<int> coordinate(-15, 27);
  for (int trial = 0; trial < 600; ++trial) {
    const int x1 = coordinate(random), y1 = coordinate(random);
    const int x2 = coordinate(random), y2 = coordinate(random);
    Surface small(kWidth, kHeight), big(60, 60);
    for (auto [s, dx, dy] : {std::tuple{&small, 0, 0}, {&big, kLeft, kTop}}) {
      if (trial % 3 == 0) Line(x1 + dx, y1 + dy, x2 + dx, y2 + dy)(*s->canvas);
      if (trial % 3 == 1) s->canvas->Ellipse(x1 + dx, y1 + dy, x2 + dx, y2 + dy);
      if (trial % 3 == 2) s->canvas->FillRect(TRect(x1 + dx, y1 + dy, x2 + dx, y2 + dy));
    }
    ASSERT_EQ(small.Read(), big.Read(kLeft, kTop, kWidth, kHeight))
        << "shape " << trial % 3 << " " << x1 << "," << y1 << " " << x2 << "," << y2;
  }
}

namespace {

// The picture a line from (x0, y0) to (x1, y1), end pixel excluded, leaves
// in a width x height bitmap, worked out from its definition: step i of the
// n = max(|dx|, |dy|) steps sets the pixel i along the major axis and
// floor((2 * i * dm + n) / (2 * n)) along the minor one, each towards the
// end. Only the steps that reach the bitmap are looked at, one per column
// or row, so ends may lie anywhere.
Picture ReferenceLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int width, int height) {
  Picture picture(height, std::string(width, '.'));
  const int64_t dx = x1 - x0, dy = y1 - y0;
  const bool xMajor = std::llabs(dx) >= std::llabs(dy);
  const int64_t n = std::max(std::llabs(dx), std::llabs(dy)), dm = std::min(std::llabs(dx), std::llabs(dy));
  const int64_t majorStart = xMajor ? x0 : y0, minorStart = xMajor ? y0 : x0;
  const int64_t majorSign = (xMajor ? dx : dy) < 0 ? -1 : 1, minorSign = (xMajor ? dy : dx) < 0 ? -1 : 1;
  for (int64_t major = 0; major < (xMajor ? width : height); ++major) {
    const int64_t i = (major - majorStart) * majorSign;
    if (i < 0 || i >= n) continue;
    __extension__ using Wide = __int128;
    const int64_t offset = static_cast<int64_t>((Wide{2} * i * dm + n) / (Wide{2} * n));
    const int64_t minor = minorStart + minorSign * offset;
    if (minor < 0 || minor >= (xMajor ? height : width)) continue;
    picture[xMajor ? minor : major][xMajor ? major : minor] = 'P';
  }
  return picture;
}

}  // namespace

// Lines whose ends lie beyond the int range (as a deep zoom gives) set
// exactly the pixels their definition gives; the current position stays.
TEST(Canvas, LinesWithFarEndsSetThePixelsTheirDefinitionGives) {
  constexpr int kWidth = 40, kHeight = 30;
  std::mt19937_64 random(11);
  std::uniform_int_distribution<int64_t> far(-(int64_t{1} << 40), int64_t{1} << 40), near(-5, 45);
  int drawn = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    // One end near the bitmap, the other far away, in either order; or a
    // line through the bitmap with both ends far away.
    int64_t x0 = near(random), y0 = near(random), x1 = far(random), y1 = far(random);
    if (trial % 3 == 1) std::swap(x0, x1), std::swap(y0, y1);
    if (trial % 3 == 2) x0 = -x1 + 2 * near(random), y0 = -y1 + 2 * near(random);
    Surface s(kWidth, kHeight);
    s.canvas->MoveTo(3, 4);
    s.canvas->Line(x0, y0, x1, y1);
    const Picture expected = ReferenceLine(x0, y0, x1, y1, kWidth, kHeight);
    ASSERT_EQ(s.Read(), expected) << x0 << "," << y0 << " " << x1 << "," << y1;
    drawn += expected != Picture(kHeight, std::string(kWidth, '.'));
    s.canvas->LineTo(3, 4);  // from the unchanged current position: nothing
    ASSERT_EQ(s.Read(), expected);
  }
  EXPECT_GT(drawn, 1000);  // most lines do cross the bitmap
  Surface s(4, 4);
  EXPECT_THROW(s.canvas->Line(0, 0, (int64_t{1} << 52) + 1, 0), Exception);
}

TEST(Canvas, PenAndBrushPersistThroughGetCanvas) {
  TPicture picture;
  TBitmap* bitmap = picture.GetBitmap();
  EXPECT_EQ(picture.GetBitmap(), bitmap);
  EXPECT_EQ(bitmap->Width() + bitmap->Height(), 0);
  TCanvas* canvas = bitmap->GetCanvas();
  EXPECT_EQ(canvas->Pen()->Color(), clBlack);
  EXPECT_EQ(canvas->Brush()->Color(), clWhite);
  canvas->Pen()->SetColor(clGray);
  canvas->Brush()->SetColor(clRed);
  EXPECT_EQ(bitmap->GetCanvas(), canvas);
  EXPECT_EQ(picture.GetBitmap()->GetCanvas()->Pen()->Color(), clGray);
  EXPECT_EQ(picture.GetBitmap()->GetCanvas()->Brush()->Color(), clRed);
}

TEST(Bitmap, ChangeCallbackFiresOnceUntilPainted) {
  Surface s(4, 4);
  int calls = 0;
  s.bitmap.SetOnChange([&calls] { ++calls; });
  for (int i = 0; i < 100; ++i) s.canvas->SetPixel(i % 4, 1, clBlack);
  EXPECT_EQ(calls, 1);
  s.bitmap.MarkPainted();
  s.canvas->MoveTo(-1, -1);  // nothing below touches a pixel
  s.canvas->LineTo(-5, -5);
  s.canvas->SetPixel(4, 0, clBlack);
  s.canvas->FillRect(TRect(0, 4, 4, 8));
  s.canvas->Ellipse(5, 5, 8, 8);
  s.bitmap.Width(4);
  EXPECT_EQ(calls, 1);
  const std::function<void()> changes[] = {
      [&] { s.canvas->FillRect(TRect(0, 0, 1, 1)); },
      [&] { s.canvas->LineTo(1, 1); },
      [&] { s.canvas->Ellipse(-1, -1, 1, 1); },
      [&] { s.canvas->SetPixel(3, 3, clRed); },
      [&] { s.bitmap.Height(5); },
  };
  for (const auto& change : changes) {
    s.bitmap.MarkPainted();
    change();
    change();
  }
  EXPECT_EQ(calls, 6);
  s.bitmap.SetOnChange(nullptr);
  s.canvas->SetPixel(0, 0, clRed);  // no callback: nothing becomes pending
  s.bitmap.SetOnChange([&calls] { ++calls; });
  s.canvas->SetPixel(0, 0, clRed);
  EXPECT_EQ(calls, 7);
}

TEST(Bitmap, ResizeKeepsThePixelsThatFitAndGrowsWithTheWindowColour) {
  const PaletteOverride window({{QPalette::Base, QColor(0x00, 0xFF, 0x00)}});
  Surface s(3, 2);
  s.canvas->SetPixel(2, 1, kPen);
  s.bitmap.Width(5);
  s.bitmap.Height(3);
  EXPECT_EQ(s.Read(), (Picture{"...WW", "..PWW", "WWWWW"}));
  s.bitmap.Width(2);
  s.bitmap.Height(1);
  EXPECT_EQ(s.Read(), (Picture{".."}));
  s.bitmap.Width(-7);
  EXPECT_EQ(s.bitmap.Width(), 0);
  s.bitmap.Width(3);  // nothing of the old content comes back
  EXPECT_EQ(s.Read(), (Picture{"WWW"}));
  EXPECT_THROW(s.canvas->Pixel(3, 0), Exception);
  EXPECT_THROW(s.bitmap.Width(1 << 30), EOutOfMemory);  // rows beyond what an image can hold
  EXPECT_EQ(s.Read(), (Picture{"WWW"}));
}

TEST(Bitmap, CopiesOfTheImageKeepTheirContent) {
  Surface s(2, 1);
  const QImage before = s.bitmap.Image();
  s.canvas->SetPixel(0, 0, kPen);
  EXPECT_EQ(FromQRgb(before.pixel(0, 0)), clWhite);
  EXPECT_EQ(s.Read(), (Picture{"P."}));
}

TEST(Colors, SystemColoursFollowTheApplicationPalette) {
  const PaletteOverride colours({{QPalette::Base, QColor(0x12, 0x34, 0x56)},
                                 {QPalette::Text, QColor(0x65, 0x43, 0x21)},
                                 {QPalette::Button, QColor(0xAB, 0xCD, 0xEF)}});
  const struct {
    TColor color;
    TColor drawn;
  } cases[] = {
      {clWindow, 0x563412},  {clWindowText, 0x214365},
      {clBtnFace, 0xEFCDAB}, {0x80000019, clBlack},  // no such system colour
      {0x02FF0000, clBlue},                          // other high bytes are ignored
  };
  Surface s(3, 1);
  for (const auto& c : cases) {
    s.canvas->Brush()->SetColor(c.color);
    s.canvas->Pen()->SetColor(c.color);
    s.canvas->FillRect(TRect(0, 0, 1, 1));
    s.canvas->MoveTo(1, 0);
    s.canvas->LineTo(2, 0);
    s.canvas->SetPixel(2, 0, c.color);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(s.canvas->Pixel(x, 0), c.drawn) << std::hex << c.color;
  }
}

TEST(Bitmap, SavesAsPng) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("view.png").toStdString();
  Surface s(5, 3);
  s.canvas->SetPixel(4, 2, 0x123456);
  s.canvas->Ellipse(0, 0, 3, 3);
  ASSERT_TRUE(SaveBitmapToPng(s.bitmap, path));
  const QImage loaded(QString::fromStdString(path));
  ASSERT_EQ(loaded.size(), QSize(5, 3));
  for (int i = 0; i < 15; ++i) EXPECT_EQ(FromQRgb(loaded.pixel(i % 5, i / 5)), s.canvas->Pixel(i % 5, i / 5));
  EXPECT_FALSE(SaveBitmapToPng(s.bitmap, dir.filePath("missing/view.png").toStdString()));
  EXPECT_FALSE(SaveBitmapToPng(TBitmap(), dir.filePath("empty.png").toStdString()));
}

namespace {

// One shape of a random picture, drawn with the pen and brush colours given.
struct Shape {
  int kind;  // 0 line, 1 far line, 2 ellipse, 3 dot, 4 pixel, 5 rectangle
  int x1, y1, x2, y2;

  void Draw(TCanvas& c, TColor pen, TColor brush) const {
    c.Pen()->SetColor(pen);
    c.Brush()->SetColor(brush);
    switch (kind) {
      case 0:
        return Line(x1, y1, x2, y2)(c);
      case 1:
        return c.Line(int64_t{x1} * 1000, y1, x2, int64_t{y2} * 1000);
      case 2:
        return c.Ellipse(x1, y1, x2, y2);
      case 3:
        return c.Ellipse(x1, y1, x1 + 3, y1 + 3);
      case 4:
        return c.SetPixel(x1, y1, pen);
      default:
        return c.FillRect(TRect(x1, y1, x2, y2));
    }
  }
};

TColor ColourOf(std::mt19937& random) { return std::uniform_int_distribution<TColor>(0, 0xFFFFFF)(random); }

}  // namespace

// A picture drawn with owners recorded, some of whose shapes are then drawn
// again in new colours each restricted to its own pixels, equals the same
// picture drawn in full with the new colours: what a shape covers and later
// shapes do not is repainted, nothing else, whatever the shapes and however
// they overlap, partly clipped (with a clip rectangle too) or outside.
TEST(Canvas, DrawingOnlyOwnedPixelsRepaintsWhatEachShapeStillShows) {
  std::mt19937 random(2512);
  std::uniform_int_distribution<int> coordinate(-6, 25), kind(0, 5);
  for (int trial = 0; trial < 300; ++trial) {
    const int width = trial % 10 == 0 ? 1 : 19, height = trial % 7 == 0 ? 1 : 13;
    std::vector<Shape> shapes(std::uniform_int_distribution<size_t>(1, 30)(random));
    std::vector<TColor> pens, brushes;
    for (Shape& s : shapes) {
      s = {kind(random), coordinate(random), coordinate(random), coordinate(random), coordinate(random)};
      pens.push_back(ColourOf(random));
      brushes.push_back(ColourOf(random));
    }
    Surface recorded(width, height), reference(width, height);
    std::vector<int32_t> owners(static_cast<size_t>(width) * height, 77);
    TCanvas& c = *recorded.canvas;
    c.SetOwners(&owners, TOwnerMode::kRecord);
    c.FillRect(TRect(0, 0, width, height));
    const bool clip = trial % 2 == 0;
    if (clip) c.SetClipRect(TRect(2, 1, 14, 9));  // as a painting of one part of the picture
    for (size_t k = 0; k < shapes.size(); ++k) {
      c.SetOwner(static_cast<int32_t>(k));
      shapes[k].Draw(c, pens[k], brushes[k]);
    }
    c.SetOwnerMode(TOwnerMode::kOnlyOwned);
    for (size_t k = 0; k < shapes.size(); ++k) {
      if (random() % 3 != 0) continue;
      pens[k] = ColourOf(random);
      brushes[k] = ColourOf(random);
      c.SetOwner(static_cast<int32_t>(k));
      shapes[k].Draw(c, pens[k], brushes[k]);
    }
    c.ResetClipRect();
    reference.canvas->FillRect(TRect(0, 0, width, height));
    if (clip) reference.canvas->SetClipRect(TRect(2, 1, 14, 9));
    for (size_t k = 0; k < shapes.size(); ++k) shapes[k].Draw(*reference.canvas, pens[k], brushes[k]);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        ASSERT_EQ(c.Pixel(x, y), reference.canvas->Pixel(x, y))
            << "trial " << trial << " at " << x << "," << y;
  }
}

// A plane that does not match the bitmap's size is refused, not overrun.
TEST(Canvas, AnOwnerPlaneOfAnotherSizeIsRefused) {
  Surface s(4, 3);
  std::vector<int32_t> owners(11);
  s.canvas->SetOwners(&owners, TOwnerMode::kRecord);
  EXPECT_THROW(s.canvas->SetPixel(0, 0, clRed), Exception);
  s.canvas->SetOwnerMode(TOwnerMode::kIgnore);
  s.canvas->SetPixel(0, 0, clRed);
  EXPECT_EQ(s.canvas->Pixel(0, 0), clRed);
}
