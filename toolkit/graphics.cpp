#include "toolkit/graphics.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <QtMath>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "toolkit/exceptions.h"
#include "toolkit/qt_colors.h"

namespace {

// Wide enough for the exact ellipse test on boxes of up to 2^32 - 1 pixels.
__extension__ using UInt128 = unsigned __int128;

// A bitmap's pixels as the primitives write them: rows of 0xFFRRGGBB words,
// without padding (rows of 32-bit pixels never have any). All arithmetic is
// in 64 bits, where every int coordinate and every difference of two fits
// without overflow.
struct PixelBuffer {
  PixelBuffer(uint32_t* pixels, int w, int h) : bits(pixels), width(w), height(h), stride(w) {}
  uint32_t* bits;
  int32_t* owners = nullptr;  // the owner ids of the same pixels, if followed
  int64_t width;
  int64_t height;
  int64_t stride;  // pixels from one row to the next
  // The bitmap position of the buffer's pixel (0, 0): a clip rectangle is a
  // buffer of its own over the bitmap's rows, and a primitive's coordinates
  // are moved by minus this before drawing. Lines and ellipses set the same
  // pixels wherever they are moved by whole pixels.
  int64_t originX = 0;
  int64_t originY = 0;

  bool Contains(int64_t x, int64_t y) const {
    // One unsigned comparison per axis also rejects negative values.
    return (static_cast<uint64_t>(x) < static_cast<uint64_t>(width)) &
           (static_cast<uint64_t>(y) < static_cast<uint64_t>(height));
  }
  int64_t Index(int64_t x, int64_t y) const { return y * stride + x; }
};

// Where a primitive's pixels go, by word index from a buffer's first pixel.
// A primitive picks its sink once, by the canvas's owner mode, and its inner
// loops are compiled for that sink, so the plain one costs what writing
// the pixel alone costs. Set writes pixel i; SetIf writes it when set is
// true, without a branch; Fill writes the pixels from first to end
// (excluded), none when end <= first.
struct PlainSink {
  uint32_t* bits;
  void Set(int64_t i, uint32_t color) const { bits[i] = color; }
  void SetIf(int64_t i, bool set, uint32_t color) const { bits[i] = set ? color : bits[i]; }
  void Fill(int64_t first, int64_t end, uint32_t color) const {
    if (first < end) std::fill(bits + first, bits + end, color);
  }
};

// Writes the pixel and makes id its owner.
struct RecordingSink {
  uint32_t* bits;
  int32_t* owners;
  int32_t id;
  void Set(int64_t i, uint32_t color) const {
    bits[i] = color;
    owners[i] = id;
  }
  void SetIf(int64_t i, bool set, uint32_t color) const {
    bits[i] = set ? color : bits[i];
    owners[i] = set ? id : owners[i];
  }
  void Fill(int64_t first, int64_t end, uint32_t color) const {
    if (first >= end) return;
    std::fill(bits + first, bits + end, color);
    std::fill(owners + first, owners + end, id);
  }
};

// Writes only the pixels that id owns.
struct OwnedSink {
  uint32_t* bits;
  const int32_t* owners;
  int32_t id;
  void Set(int64_t i, uint32_t color) const { SetIf(i, true, color); }
  void SetIf(int64_t i, bool set, uint32_t color) const {
    bits[i] = set && owners[i] == id ? color : bits[i];
  }
  void Fill(int64_t first, int64_t end, uint32_t color) const {
    for (int64_t i = first; i < end; ++i) Set(i, color);
  }
};

// Calls draw(sink) with the sink of the owner mode over the buffer's pixels
// and returns its result.
template <typename Draw>
bool WithSink(const PixelBuffer& pixels, TOwnerMode mode, int32_t id, Draw draw) {
  if (pixels.owners && mode == TOwnerMode::kRecord)
    return draw(RecordingSink{pixels.bits, pixels.owners, id});
  if (pixels.owners && mode == TOwnerMode::kOnlyOwned) return draw(OwnedSink{pixels.bits, pixels.owners, id});
  return draw(PlainSink{pixels.bits});
}

// Sets the pixels from column first to column last (inclusive) of row y, a
// row of the buffer, clipped to its width. Returns whether any pixel was set.
template <typename Sink>
bool FillSpan(const PixelBuffer& pixels, const Sink& sink, int64_t y, int64_t first, int64_t last,
              uint32_t color) {
  first = std::max<int64_t>(first, 0);
  last = std::min(last, pixels.width - 1);
  if (first > last) return false;
  sink.Fill(pixels.Index(first, y), pixels.Index(last + 1, y), color);
  return true;
}

// One axis of a line: where it starts, its direction (+1 or -1) and the
// bitmap's extent along it.
struct LineAxis {
  int64_t start;
  int64_t direction;
  int64_t extent;
};

// ceil(a / b) for b > 0.
int64_t CeilDiv(UInt128 a, uint64_t b) { return static_cast<int64_t>((a + b - 1) / b); }

// The steps i in [0, n) of a line whose pixel lies in the buffer, as the
// half-open range [first, end) (empty when first >= end). The major
// coordinate moves by one each step; the minor one is offset by
// floor((2 * i * dm + n) / (2 * n)), which rises with i, so each axis allows
// one range of steps. With coordinates up to 2^52 in size, products reach
// 2^109, hence 128 bits.
std::pair<int64_t, int64_t> VisibleSteps(const LineAxis& major, const LineAxis& minor, int64_t n,
                                         int64_t dm) {
  int64_t first = major.direction > 0 ? -major.start : major.start - major.extent + 1;
  int64_t end = major.direction > 0 ? major.extent - major.start : major.start + 1;
  // The minor offset must lie in [low, high].
  const int64_t low = minor.direction > 0 ? -minor.start : minor.start - minor.extent + 1;
  const int64_t high = minor.direction > 0 ? minor.extent - 1 - minor.start : minor.start;
  if (high < 0 || low > dm) return {0, 0};
  const UInt128 wideN = static_cast<uint64_t>(n);
  const uint64_t twoDm = 2 * static_cast<uint64_t>(dm);
  if (low > 0) first = std::max(first, CeilDiv(wideN * static_cast<uint64_t>(2 * low - 1), twoDm));
  if (high < dm) end = std::min(end, CeilDiv(wideN * static_cast<uint64_t>(2 * high + 1), twoDm));
  return {std::max<int64_t>(first, 0), std::min(end, n)};
}

// Sets count pixels of a line, all inside the buffer, starting at word
// index. The minor offset at step i is floor((2 * i * dm + n) / (2 * n)) for
// the minor distance dm <= n; e holds the numerator's remainder modulo 2n
// (n at step 0), so each step adds 2 * dm to it and carries into the offset
// at 2n. The carry is applied without a branch: its pattern is irregular and
// would mispredict.
template <typename Sink>
void StepLine(const Sink& sink, int64_t index, int64_t count, int64_t e, int64_t n, int64_t dm,
              int64_t majorStep, int64_t minorStep, uint32_t color) {
  const int64_t twoN = 2 * n;
  for (; count > 0; --count) {
    sink.Set(index, color);
    e += 2 * dm;
    const int64_t carry = -static_cast<int64_t>(e >= twoN);  // all ones or zero
    e -= carry & twoN;
    index += majorStep + (carry & minorStep);
  }
}

// -1, 0 or 1 by the sign of d.
int64_t Sign(int64_t d) { return (d > 0) - (d < 0); }

// The stepping of a line in a buffer: the direction of each axis (+1 or
// -1), which axis is the major one, n steps along it (0 for a line from a
// point to itself), the minor distance dm <= n, and the word offsets of one
// step along the major and along the minor axis.
struct LineSteps {
  int64_t sx;
  int64_t sy;
  bool xMajor;
  int64_t n;
  int64_t dm;
  int64_t majorStep;
  int64_t minorStep;
};

// The stepping of the line from (x0, y0) to (x1, y1).
LineSteps StepsOf(const PixelBuffer& pixels, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
  const int64_t sx = x1 < x0 ? -1 : 1;
  const int64_t sy = y1 < y0 ? -1 : 1;
  const int64_t adx = std::abs(x1 - x0);
  const int64_t ady = std::abs(y1 - y0);
  const bool xMajor = adx >= ady;
  return {sx,
          sy,
          xMajor,
          std::max(adx, ady),
          std::min(adx, ady),
          xMajor ? sx : sy * pixels.stride,
          xMajor ? sy * pixels.stride : sx};
}

// Draws a line of at most two steps whose ends lie in the buffer, as LineTo
// states it, in straight-line code instead of the stepping loop: roads drawn
// at a small scale are such lines, of 0, 1 or 2 steps in no foreseeable
// order. Step 0 is the start pixel; step 1 moves one along every axis on
// which the line moves (the minor offset floor((2 * dm + 2) / 4) is 1 for
// any dm >= 1). Both writes happen whatever the length: a step the line does
// not have rewrites the start pixel with the value it holds. Returns whether
// any pixel was set.
template <typename Sink>
bool DrawShortLine(const PixelBuffer& pixels, const Sink& sink, int64_t x0, int64_t y0, int64_t x1,
                   int64_t y1, uint32_t color) {
  const int64_t dx = x1 - x0;
  const int64_t dy = y1 - y0;
  const int64_t n = std::max(std::abs(dx), std::abs(dy));
  const int64_t start = pixels.Index(x0, y0);
  const int64_t second = start + (n == 2 ? Sign(dy) * pixels.stride + Sign(dx) : 0);
  sink.SetIf(start, n >= 1, color);
  sink.SetIf(second, n == 2, color);
  return n != 0;
}

// Draws the line from (x0, y0) towards (x1, y1), both ends in the buffer,
// as LineTo states it (see StepLine); such a line lies in the buffer whole.
// Returns whether any pixel was set.
template <typename Sink>
bool DrawLineInside(const PixelBuffer& pixels, const Sink& sink, int64_t x0, int64_t y0, int64_t x1,
                    int64_t y1, uint32_t color) {
  const auto within2 = [](int64_t d) { return static_cast<uint64_t>(d + 2) <= 4; };
  if (within2(x1 - x0) && within2(y1 - y0)) return DrawShortLine(pixels, sink, x0, y0, x1, y1, color);
  const LineSteps steps = StepsOf(pixels, x0, y0, x1, y1);
  StepLine(sink, pixels.Index(x0, y0), steps.n, steps.n, steps.n, steps.dm, steps.majorStep, steps.minorStep,
           color);
  return true;
}

// Draws the line from (x0, y0) towards (x1, y1), an end of which lies
// outside the buffer, as LineTo states it, clipped to the buffer. Returns
// whether any pixel was set. The line starts at its first visible step,
// whose minor offset and remainder (see StepLine) come from one division, so
// it costs no more than its visible part. Kept out of line, so that the
// lines inside, the map's roads, take a lean path.
template <typename Sink>
[[gnu::noinline]] bool DrawClippedLine(const PixelBuffer& pixels, const Sink& sink, int64_t x0, int64_t y0,
                                       int64_t x1, int64_t y1, uint32_t color) {
  const LineSteps steps = StepsOf(pixels, x0, y0, x1, y1);
  const int64_t n = steps.n;
  const int64_t dm = steps.dm;
  if (n == 0) return false;
  const LineAxis horizontal{x0, steps.sx, pixels.width};
  const LineAxis vertical{y0, steps.sy, pixels.height};
  const auto [first, end] =
      steps.xMajor ? VisibleSteps(horizontal, vertical, n, dm) : VisibleSteps(vertical, horizontal, n, dm);
  if (first >= end) return false;
  // The state at step first: 2 * first * dm + n = 2 * q * n + 2 * r + n
  // with first * dm = q * n + r, 0 <= r < n.
  const UInt128 product = static_cast<UInt128>(static_cast<uint64_t>(first)) * static_cast<uint64_t>(dm);
  const int64_t q = static_cast<int64_t>(product / static_cast<uint64_t>(n));
  const int64_t r = static_cast<int64_t>(product % static_cast<uint64_t>(n));
  const bool carried = 2 * r >= n;
  const int64_t offset = q + (carried ? 1 : 0);
  const int64_t x = x0 + steps.sx * (steps.xMajor ? first : offset);
  const int64_t y = y0 + steps.sy * (steps.xMajor ? offset : first);
  StepLine(sink, pixels.Index(x, y), end - first, 2 * r + n - (carried ? 2 * n : 0), n, dm, steps.majorStep,
           steps.minorStep, color);
  return true;
}

// The ellipse of a w x h box, row by row. A row's pixels are those of column
// j with |2j + 1 - w| <= U for the row's half-width U (in half-pixel units,
// of the parity of w - 1); U < 0 means no pixel.
//
// The half-width of row r (rows outside [0, h) have none): the largest
// u <= w - 1 of that parity with u^2 h^2 <= w^2 (h^2 - v^2), v = 2r + 1 - h.
// Both sides stay below 2^128. A floating estimate is corrected by exact
// comparisons, which move it by a step or two at most.
int64_t RowHalfWidth(int64_t r, int64_t w, int64_t h) {
  if (r < 0 || r >= h) return -1;
  const int64_t v = 2 * r + 1 - h;
  const uint64_t hh = static_cast<uint64_t>(h) * static_cast<uint64_t>(h);
  const UInt128 room = static_cast<UInt128>(static_cast<uint64_t>(w) * static_cast<uint64_t>(w)) *
                       (static_cast<uint64_t>(h - v) * static_cast<uint64_t>(h + v));
  const auto fits = [&](int64_t u) {
    return static_cast<UInt128>(static_cast<uint64_t>(u) * static_cast<uint64_t>(u)) * hh <= room;
  };
  const double estimate =
      static_cast<double>(w) * std::sqrt(static_cast<double>(h - v) * static_cast<double>(h + v)) / h;
  int64_t u = std::clamp<int64_t>(static_cast<int64_t>(estimate), 0, w - 1);
  while (u > 0 && !fits(u)) --u;
  while (u < w - 1 && fits(u + 1)) ++u;
  return ((w - 1 - u) % 2 == 0) ? u : u - 1;
}

// One row of an ellipse: the columns of its outline and of its interior
// pixels, counted from the box's left edge; first > last for none.
struct EllipseRow {
  int64_t outlineFirst;
  int64_t outlineLast;
  int64_t interiorFirst;
  int64_t interiorLast;
};

// Row r of the ellipse of a w x h box. A pixel is interior when its left
// and right neighbours (u -+ 2) and the pixels above and below it (same u)
// all belong to the ellipse.
EllipseRow ComputeEllipseRow(int64_t r, int64_t w, int64_t h) {
  const int64_t outline = RowHalfWidth(r, w, h);
  const int64_t interior = std::min({outline - 2, RowHalfWidth(r - 1, w, h), RowHalfWidth(r + 1, w, h)});
  // Half-width u covers columns (w - 1 - u) / 2 to (w - 1 + u) / 2. For u < 0
  // (no pixel) the division's rounding toward zero could still make a
  // column of it, hence the explicit empty range.
  const auto first = [w](int64_t u) { return u < 0 ? w : (w - 1 - u) / 2; };
  const auto last = [w](int64_t u) { return u < 0 ? -1 : (w - 1 + u) / 2; };
  return {first(outline), last(outline), first(interior), last(interior)};
}

// Whether (x1, y1) to (x2, y2) is a 3 x 3 box given top left corner first,
// the map's dot, that lies inside the buffer.
bool IsDotInside(const PixelBuffer& pixels, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  return x2 - x1 == 3 && y2 - y1 == 3 && pixels.Contains(x1, y1) && pixels.Contains(x1 + 2, y1 + 2);
}

// The ellipse of a 3 x 3 box at word index i (its top left pixel) of a
// buffer with the given stride: all nine pixels, the ring of eight in
// penColor and the centre in brushColor. Returns true: pixels were set.
template <typename Sink>
bool DrawDot(const Sink& sink, int64_t i, int64_t stride, uint32_t penColor, uint32_t brushColor) {
  sink.Fill(i, i + 3, penColor);
  i += stride;
  sink.Set(i, penColor);
  sink.Set(i + 1, brushColor);
  sink.Set(i + 2, penColor);
  sink.Fill(i + stride, i + stride + 3, penColor);
  return true;
}

// Boxes up to this size take their rows from a table, which keeps the map's
// 5 x 5 discs cheap.
constexpr int64_t kTabledBox = 8;

// The rows of the ellipse of a w x h box, w and h in [1, kTabledBox].
const EllipseRow* TabledEllipse(int64_t w, int64_t h) {
  using Rows = std::array<EllipseRow, kTabledBox>;
  static const auto table = [] {
    std::array<std::array<Rows, kTabledBox + 1>, kTabledBox + 1> rows{};
    for (int64_t tw = 1; tw <= kTabledBox; ++tw) {
      for (int64_t th = 1; th <= kTabledBox; ++th) {
        for (int64_t r = 0; r < th; ++r) rows[tw][th][r] = ComputeEllipseRow(r, tw, th);
      }
    }
    return rows;
  }();
  return table[w][h].data();
}

// Draws the ellipse of the box from (x1, y1) to (x2, y2) as Ellipse states
// it, clipped to the buffer. Returns whether any pixel was set. Kept out of
// line, so that the dots' path stays lean.
template <typename Sink>
[[gnu::noinline]] bool DrawEllipse(const PixelBuffer& pixels, const Sink& sink, int64_t x1, int64_t y1,
                                   int64_t x2, int64_t y2, uint32_t penColor, uint32_t brushColor) {
  const int64_t left = std::min(x1, x2);
  const int64_t top = std::min(y1, y2);
  const int64_t w = std::max(x1, x2) - left;
  const int64_t h = std::max(y1, y2) - top;
  if (w == 0 || h == 0) return false;
  const EllipseRow* tabled = (w <= kTabledBox && h <= kTabledBox) ? TabledEllipse(w, h) : nullptr;
  if (tabled && pixels.Contains(left, top) && pixels.Contains(left + w - 1, top + h - 1)) {
    // A small box inside, such as the map's discs, written without clipping.
    int64_t row = pixels.Index(left, top);
    for (const EllipseRow* span = tabled; span < tabled + h; ++span, row += pixels.stride) {
      sink.Fill(row + span->outlineFirst, row + span->outlineLast + 1, penColor);
      sink.Fill(row + span->interiorFirst, row + span->interiorLast + 1, brushColor);
    }
    return true;
  }
  bool wrote = false;
  for (int64_t r = std::max<int64_t>(0, -top); r < std::min(h, pixels.height - top); ++r) {
    const EllipseRow span = tabled ? tabled[r] : ComputeEllipseRow(r, w, h);
    wrote |= FillSpan(pixels, sink, top + r, left + span.outlineFirst, left + span.outlineLast, penColor);
    FillSpan(pixels, sink, top + r, left + span.interiorFirst, left + span.interiorLast, brushColor);
  }
  return wrote;
}

// The pixels a primitive may write: the whole bitmap of w x h pixels at
// bits (their owner ids at owners, if followed), or the part of the clip
// rectangle inside it.
// Inlined, so that the buffer stays in registers: it is made for every
// primitive.
[[gnu::always_inline]] inline PixelBuffer ClippedBuffer(uint32_t* bits, int32_t* owners, int w, int h,
                                                        const TRect* clip) {
  PixelBuffer pixels(bits, w, h);
  pixels.owners = owners;
  if (!clip) return pixels;
  const int64_t left = std::clamp<int64_t>(clip->left, 0, pixels.width);
  const int64_t top = std::clamp<int64_t>(clip->top, 0, pixels.height);
  const int64_t right = std::clamp<int64_t>(clip->right, left, pixels.width);
  const int64_t bottom = std::clamp<int64_t>(clip->bottom, top, pixels.height);
  pixels.bits += top * pixels.stride + left;
  if (owners) pixels.owners += top * pixels.stride + left;
  pixels.width = right - left;
  pixels.height = bottom - top;
  pixels.originX = left;
  pixels.originY = top;
  return pixels;
}

// Raises Exception: an owner plane of size ids does not fit a bitmap of
// pixels pixels. Kept out of line, away from the primitives' path.
[[gnu::noinline, gnu::cold]] void RefuseOwnerPlane(size_t size, size_t pixels) {
  throw Exception("Owner plane of " + std::to_string(size) + " ids for a bitmap of " +
                  std::to_string(pixels) + " pixels");
}

}  // namespace

void TCanvas::CopyRect(const TRect& rect, const TBitmap& source) {
  const int left = std::max(rect.left, 0), top = std::max(rect.top, 0);
  const int right = std::min({rect.right, bitmap_.Width(), source.Width()});
  const int bottom = std::min({rect.bottom, bitmap_.Height(), source.Height()});
  if (right <= left || bottom <= top) return;
  uint32_t* const bits = bitmap_.WritableBits();
  const auto* sourceBits = reinterpret_cast<const uint32_t*>(source.image_->constBits());
  for (int y = top; y < bottom; ++y) {
    std::memcpy(bits + int64_t{y} * bitmap_.Width() + left, sourceBits + int64_t{y} * source.Width() + left,
                sizeof(uint32_t) * (right - left));
  }
  bitmap_.Changed();
}

// Inline: every primitive asks.
inline int32_t* TCanvas::OwnerIds() const {
  if (!owners_ || ownerMode_ == TOwnerMode::kIgnore) return nullptr;
  const size_t pixels = static_cast<size_t>(bitmap_.Width()) * static_cast<size_t>(bitmap_.Height());
  if (owners_->size() != pixels) RefuseOwnerPlane(owners_->size(), pixels);
  return owners_->data();
}

void TCanvas::SetClipRect(const TRect& rect) {
  clipped_ = true;
  clip_ = rect;
}

void TCanvas::ResetClipRect() { clipped_ = false; }

void TCanvas::FillRect(const TRect& rect) {
  const PixelBuffer pixels = ClippedBuffer(bitmap_.WritableBits(), OwnerIds(), bitmap_.Width(),
                                           bitmap_.Height(), clipped_ ? &clip_ : nullptr);
  const int64_t top = std::max<int64_t>(int64_t{rect.top} - pixels.originY, 0);
  const int64_t bottom = std::min<int64_t>(int64_t{rect.bottom} - pixels.originY, pixels.height);
  const uint32_t color = ToQRgb(brush_.Color());
  const bool wrote = WithSink(pixels, ownerMode_, owner_, [&](const auto& sink) {
    bool any = false;
    for (int64_t y = top; y < bottom; ++y)
      any |= FillSpan(pixels, sink, y, rect.left - pixels.originX, int64_t{rect.right} - 1 - pixels.originX,
                      color);
    return any;
  });
  if (wrote) bitmap_.Changed();
}

void TCanvas::LineTo(int x, int y) {
  DrawLine(penX_, penY_, x, y);
  MoveTo(x, y);
}

void TCanvas::Line(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
  const auto within = [](int64_t v) { return v >= -kLineCoordinateLimit && v <= kLineCoordinateLimit; };
  if (!(within(x0) && within(y0) && within(x1) && within(y1))) {
    throw Exception("Line coordinates beyond " + std::to_string(kLineCoordinateLimit) + " pixels");
  }
  DrawLine(x0, y0, x1, y1);
}

void TCanvas::DrawLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
  const PixelBuffer pixels = ClippedBuffer(bitmap_.WritableBits(), OwnerIds(), bitmap_.Width(),
                                           bitmap_.Height(), clipped_ ? &clip_ : nullptr);
  x0 -= pixels.originX;
  x1 -= pixels.originX;
  y0 -= pixels.originY;
  y1 -= pixels.originY;
  const uint32_t color = ToQRgb(pen_.Color());
  const bool inside = pixels.Contains(x0, y0) && pixels.Contains(x1, y1);
  const bool wrote = WithSink(pixels, ownerMode_, owner_, [&](const auto& sink) {
    return inside ? DrawLineInside(pixels, sink, x0, y0, x1, y1, color)
                  : DrawClippedLine(pixels, sink, x0, y0, x1, y1, color);
  });
  // One branch, on the rarely changing pending state, rather than one on
  // whether a short line had any step.
  if (wrote & !bitmap_.changePending_) bitmap_.Changed();
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  const PixelBuffer pixels = ClippedBuffer(bitmap_.WritableBits(), OwnerIds(), bitmap_.Width(),
                                           bitmap_.Height(), clipped_ ? &clip_ : nullptr);
  const int64_t left = x1 - pixels.originX, top = y1 - pixels.originY;
  const int64_t right = x2 - pixels.originX, bottom = y2 - pixels.originY;
  const uint32_t penColor = ToQRgb(pen_.Color());
  const uint32_t brushColor = ToQRgb(brush_.Color());
  const bool dot = IsDotInside(pixels, left, top, right, bottom);
  const bool wrote = WithSink(pixels, ownerMode_, owner_, [&](const auto& sink) {
    return dot ? DrawDot(sink, pixels.Index(left, top), pixels.stride, penColor, brushColor)
               : DrawEllipse(pixels, sink, left, top, right, bottom, penColor, brushColor);
  });
  if (wrote) bitmap_.Changed();
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  const PixelBuffer pixels = ClippedBuffer(bitmap_.WritableBits(), OwnerIds(), bitmap_.Width(),
                                           bitmap_.Height(), clipped_ ? &clip_ : nullptr);
  const int64_t column = x - pixels.originX, row = y - pixels.originY;
  if (!pixels.Contains(column, row)) return;
  WithSink(pixels, ownerMode_, owner_, [&](const auto& sink) {
    sink.Set(pixels.Index(column, row), ToQRgb(color));
    return true;
  });
  bitmap_.Changed();
}

TColor TCanvas::Pixel(int x, int y) const {
  const QImage& image = *bitmap_.image_;
  if (x < 0 || x >= image.width() || y < 0 || y >= image.height()) {
    throw Exception("Pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") outside the " +
                    std::to_string(image.width()) + " x " + std::to_string(image.height()) + " bitmap");
  }
  return FromQRgb(reinterpret_cast<const QRgb*>(image.constScanLine(y))[x]);
}

TBitmap::TBitmap() : image_(std::make_unique<QImage>()) {}

TBitmap::~TBitmap() = default;

void TBitmap::Width(int width) { Resize(width, height_); }

void TBitmap::Height(int height) { Resize(width_, height); }

void TBitmap::SetOnChange(std::function<void()> onChange) {
  onChange_ = std::move(onChange);
  changePending_ = false;
}

void TBitmap::Resize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  QImage resized;
  if (width > 0 && height > 0) {
    resized = QImage(width, height, QImage::Format_RGB32);
    if (resized.isNull()) {
      throw EOutOfMemory("Cannot allocate a bitmap of " + std::to_string(width) + " x " +
                         std::to_string(height) + " pixels");
    }
    resized.fill(ToQRgb(clWindow));
    // A bitmap without pixels holds a null image, of size 0 x 0.
    const size_t keptBytes = std::min(width, image_->width()) * sizeof(QRgb);
    for (int y = 0; y < std::min(height, image_->height()); ++y) {
      std::memcpy(resized.scanLine(y), image_->constScanLine(y), keptBytes);
    }
  }
  *image_ = std::move(resized);
  writableBits_ = nullptr;
  width_ = width;
  height_ = height;
  Changed();
}

uint32_t* TBitmap::FetchWritableBits() {
  writableBits_ = reinterpret_cast<uint32_t*>(image_->bits());
  return writableBits_;
}

void TBitmap::NotifyChange() {
  changePending_ = true;
  onChange_();
}

TBitmap* TPicture::GetBitmap() {
  if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
  return bitmap_.get();
}

bool SaveBitmapToPng(const TBitmap& bitmap, const std::string& path) {
  constexpr int kDotsPerMetre = 3780;  // 96 an inch
  QImage image = bitmap.Image();
  image.setDotsPerMeterX(kDotsPerMetre);
  image.setDotsPerMeterY(kDotsPerMetre);
  return image.save(QString::fromStdString(path), "PNG");
}

namespace {

// Fonts need the platform's font database, which a program drawing without
// a window has not started: it gets an application of its own, on the
// offscreen platform, for the rest of its run. What the platform says while
// it starts (about a desktop session it does not need) is not shown.
void EnsureFontDatabase() {
  if (QCoreApplication::instance()) return;
  static int argc = 3;
  static char name[] = "ruvel", option[] = "-platform", platform[] = "offscreen";
  static char* argv[] = {name, option, platform, nullptr};
  const QtMessageHandler shown =
      qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  static QGuiApplication* const application = new QGuiApplication(argc, argv);
  qInstallMessageHandler(shown);
  (void)application;
}

QFont FontOfSize(int pixelSize) {
  EnsureFontDatabase();
  QFont font;
  font.setFamilies({QStringLiteral("DejaVu Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(std::max(pixelSize, 1));
  return font;
}

QColor ColorOf(TColor color, uint8_t alpha = 255) {
  QColor c = ToQColor(color);
  c.setAlpha(alpha);
  return c;
}

// Lines up to this width in pixels are drawn piece by piece, with square
// ends instead of round ones: at that width the two look alike.
constexpr double kThinLine = 6;
constexpr double kBevelJoinsUpTo = 10;

// The part of the line from a to b inside box, by the parameters t0 <= t1
// along it (Liang and Barsky); false when none is.
bool ClipToBox(const QRectF& box, QPointF& a, QPointF& b) {
  const double dx = b.x() - a.x(), dy = b.y() - a.y();
  double t0 = 0, t1 = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(), box.bottom() - a.y()};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0) {
      if (q[k] < 0) return false;
      continue;
    }
    const double t = q[k] / p[k];
    if (p[k] < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
  }
  const QPointF start = a;
  a = start + QPointF(dx, dy) * t0;
  b = start + QPointF(dx, dy) * t1;
  return true;
}

// Adds the parts of a polyline inside box to path, one subpath for each
// run of consecutive pieces that stays inside.
void AddClippedPolyline(const TPointF* first, const TPointF* end, const QRectF& box, QPainterPath& path) {
  bool open = false;
  for (const TPointF* v = first; v + 1 < end; ++v) {
    QPointF a(v->x, v->y), b(v[1].x, v[1].y);
    const bool wholeStart = box.contains(a);
    if (!ClipToBox(box, a, b)) {
      open = false;
      continue;
    }
    if (!open || !wholeStart) path.moveTo(a);
    path.lineTo(b);
    open = box.contains(QPointF(v[1].x, v[1].y));
  }
}

}  // namespace

TTextExtent MeasureText(std::string_view text, int pixelSize) {
  const QFontMetricsF metrics(FontOfSize(pixelSize));
  const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  return {metrics.horizontalAdvance(string), metrics.ascent(), metrics.descent()};
}

TSmoothPainter::TSmoothPainter(TBitmap& bitmap) : bitmap_(bitmap) {
  if (bitmap.Width() == 0 || bitmap.Height() == 0) return;
  bitmap.FetchWritableBits();  // detaches the image from copies handed out
  painter_ = std::make_unique<QPainter>(bitmap.image_.get());
  painter_->setRenderHint(QPainter::Antialiasing);
  painter_->setRenderHint(QPainter::TextAntialiasing);
}

TSmoothPainter::~TSmoothPainter() {
  if (!painter_) return;
  painter_.reset();
  bitmap_.Changed();
}

void TSmoothPainter::StrokePolylines(const std::vector<TPointF>& vertices,
                                     const std::vector<uint32_t>& starts, const TStrokeStyle& style) {
  if (!painter_) return;
  // Beyond this box no stroke reaches the bitmap; inside it coordinates stay
  // small enough for the rasteriser's fixed-point arithmetic.
  const double margin = style.width + 4;
  const QRectF box(-margin, -margin, bitmap_.Width() + 2 * margin, bitmap_.Height() + 2 * margin);
  // Round joins cost the stroker arcs at every vertex; on lines this thin
  // bevelled ones look the same.
  const Qt::PenJoinStyle join = style.width <= kBevelJoinsUpTo ? Qt::BevelJoin : Qt::RoundJoin;
  QPen pen(ColorOf(style.color, style.alpha), style.width, Qt::SolidLine, Qt::RoundCap, join);
  if (style.dash > 0) {
    pen.setCapStyle(Qt::FlatCap);
    pen.setDashPattern({style.dash / style.width, style.gap / style.width});
  }
  // An opaque line looks the same laid twice, and the rasteriser is far
  // quicker on many small shapes than on one large one; a translucent one
  // must be a single shape.
  const bool opaque = style.alpha == 255;
  QPainterPath path;
  for (size_t k = 0; k < starts.size(); ++k) {
    const size_t end = k + 1 < starts.size() ? starts[k + 1] : vertices.size();
    AddClippedPolyline(vertices.data() + starts[k], vertices.data() + end, box, path);
    if (opaque && !path.isEmpty() && style.width > kThinLine) {
      painter_->strokePath(path, pen);
      path.clear();
    }
  }
  if (path.isEmpty()) return;
  if (opaque && style.dash == 0) {
    // Thin opaque solid lines, as a view of much of a large map has by the
    // thousand, go to the rasteriser's quick path for separate lines, with
    // square ends that fill the outside of each bend.
    std::vector<QLineF> pieces;
    pieces.reserve(static_cast<size_t>(path.elementCount()));
    for (int e = 1; e < path.elementCount(); ++e) {
      const QPainterPath::Element& element = path.elementAt(e);
      if (element.isLineTo()) pieces.emplace_back(QPointF(path.elementAt(e - 1)), QPointF(element));
    }
    pen.setCapStyle(Qt::SquareCap);
    painter_->setPen(pen);
    painter_->drawLines(pieces.data(), static_cast<int>(pieces.size()));
    return;
  }
  painter_->strokePath(path, pen);
}

void TSmoothPainter::DrawCircle(TPointF centre, double radius, TColor fill, TColor outline,
                                double outlineWidth) {
  if (!painter_) return;
  painter_->setPen(outlineWidth > 0 ? QPen(ColorOf(outline), outlineWidth) : QPen(Qt::NoPen));
  painter_->setBrush(ColorOf(fill));
  painter_->drawEllipse(QPointF(centre.x, centre.y), radius, radius);
}

void TSmoothPainter::DrawText(TPointF centre, double angle, std::string_view text, const TTextStyle& style) {
  if (!painter_) return;
  const QFont font = FontOfSize(style.pixelSize);
  const QFontMetricsF metrics(font);
  const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  QPainterPath letters;
  letters.addText(-metrics.horizontalAdvance(string) / 2, (metrics.ascent() - metrics.descent()) / 2, font,
                  string);
  painter_->save();
  painter_->translate(centre.x, centre.y);
  painter_->rotate(qRadiansToDegrees(angle));
  if (style.haloWidth > 0) {
    painter_->strokePath(
        letters, QPen(ColorOf(style.halo), 2 * style.haloWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  }
  painter_->fillPath(letters, ColorOf(style.color));
  painter_->restore();
}
