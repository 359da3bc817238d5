#include "view/map_painting.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "map/area_index.h"
#include "map/map_store.h"
#include "toolkit/graphics.h"
#include "view/map_transform.h"
#include "view/picture_memory.h"

namespace {

// A pixel position of the whole-map view.
struct Pixel {
  int32_t x;
  int32_t y;
};

// A pixel of the view at the zoom level, which may lie far outside the image.
struct FarPixel {
  int64_t x;
  int64_t y;
};

Pixel PixelAt(const MapView& view, const TPoint& v) {
  return {MapToPixelX(view, v.x), MapToPixelY(view, v.y)};
}
Pixel PixelOfPoint(const MapView& view, int32_t j) {
  return {MapToPixelX(view, points[j].X), MapToPixelY(view, points[j].Y)};
}
FarPixel ZoomedPixelAt(const MapView& view, const TPoint& v) {
  return {ZoomedPixelX(view, v.x), ZoomedPixelY(view, v.y)};
}
FarPixel ZoomedPixelOfPoint(const MapView& view, int32_t j) {
  return {ZoomedPixelX(view, points[j].X), ZoomedPixelY(view, points[j].Y)};
}

// One unsigned comparison per axis also rejects negative values.
bool Contains(const MapView& view, Pixel p) {
  return (static_cast<uint32_t>(p.x) < static_cast<uint32_t>(view.width)) &
         (static_cast<uint32_t>(p.y) < static_cast<uint32_t>(view.height));
}

// Whether the box of the line from a to b meets the image: at a zoom, such a
// pair is drawn, clipped.
bool MayCross(FarPixel a, FarPixel b, const MapView& view) {
  return std::max(a.x, b.x) >= 0 && std::min(a.x, b.x) < view.width && std::max(a.y, b.y) >= 0 &&
         std::min(a.y, b.y) < view.height;
}

// Whether a point's mark (up to two pixels around it) touches the image at a
// zoom.
bool MarkTouches(FarPixel p, const MapView& view) {
  return p.x >= -2 && p.x < view.width + 2 && p.y >= -2 && p.y < view.height + 2;
}

TColor SegmentColor(const Painting& painting, int32_t i) {
  return painting.route.HasSegment(i) ? clRed : clBlack;
}

// A point's colour: blue for the start and current points, else red on the
// route and black elsewhere.
TColor PointColor(const Painting& painting, int32_t j) {
  if (j == startPoint || j == currentPoint) return clBlue;
  return painting.route.HasPoint(j) ? clRed : clBlack;
}

// Calls draw(a, b) with the ends of every pair of consecutive vertices of
// segment i that the view draws: in the corner view a pair with both ends
// inside the image (one with an end outside is skipped whole), in a placed
// view (a zoom, or true proportions) one whose line may cross it. Each vertex is transformed
// once, as the end of one pair and the start of the next.
template <typename Draw>
void ForEachDrawnPair(int32_t i, const MapView& view, Draw draw) {
  const DynamicArray<TPoint>& vertices = segments[i].Vertices;
  if (vertices.Length() < 2) return;
  if (IsCornerView(view)) {
    Pixel a = PixelAt(view, vertices[0]);
    for (int32_t k = 1; k < vertices.Length(); ++k) {
      const Pixel b = PixelAt(view, vertices[k]);
      if (Contains(view, a) && Contains(view, b)) draw(FarPixel{a.x, a.y}, FarPixel{b.x, b.y});
      a = b;
    }
    return;
  }
  FarPixel a = ZoomedPixelAt(view, vertices[0]);
  for (int32_t k = 1; k < vertices.Length(); ++k) {
    const FarPixel b = ZoomedPixelAt(view, vertices[k]);
    if (MayCross(a, b, view)) draw(a, b);
    a = b;
  }
}

// Where point j is drawn in the view, if it is.
bool DrawnAt(int32_t j, const MapView& view, Pixel& at) {
  if (IsCornerView(view)) {
    at = PixelOfPoint(view, j);
    return Contains(view, at);
  }
  const FarPixel p = ZoomedPixelOfPoint(view, j);
  at = {static_cast<int32_t>(p.x), static_cast<int32_t>(p.y)};
  return MarkTouches(p, view);
}

bool InWholeMap(int32_t j, const MapView& view) { return Contains(view, PixelOfPoint(view, j)); }

// The last segment in table order of which the whole-map pass draws a pair;
// -1 for none.
int32_t LastSegmentInWholeMap(const MapView& view) {
  for (int32_t i = segmentCount - 1; i >= 0; --i) {
    const DynamicArray<TPoint>& v = segments[i].Vertices;
    for (int32_t k = 1; k < v.Length(); ++k)
      if (Contains(view, PixelAt(view, v[k - 1])) && Contains(view, PixelAt(view, v[k]))) return i;
  }
  return -1;
}

// The last point in table order before `before` that the whole-map pass
// draws; -1 for none.
int32_t LastPointInWholeMap(int32_t before, const MapView& view) {
  for (int32_t j = before - 1; j >= 0; --j)
    if (InWholeMap(j, view)) return j;
  return -1;
}

// The pen colour the whole-map pass has when it reaches point j: the colour
// of the point it drew last before j, else of the last road pair it drew,
// else the pen it began with.
TColor WholeMapPenBefore(const Painting& painting, int32_t j) {
  const int32_t previous = LastPointInWholeMap(j, painting.view);
  if (previous >= 0) return PointColor(painting, previous);
  const int32_t segment = painting.lines ? LastSegmentInWholeMap(painting.view) : -1;
  return segment >= 0 ? SegmentColor(painting, segment) : painting.penAtStart;
}

// Fills an ellipse in the box from (left, top) to (right, bottom) with a
// solid brush of color; its outline takes the pen colour in force.
void DrawDisc(TCanvas* canvas, int left, int top, int right, int bottom, TColor color) {
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(color);
  canvas->Ellipse(left, top, right, bottom);
}

// Draws point j at pixel p as a 3 x 3 dot in its colour, the start and the
// current point each on a blue 5 x 5 disc first, outlined with the pen in
// force. Leaves the pen and the brush in the point's colour.
void DrawPoint(const Painting& painting, int32_t j, Pixel p) {
  TCanvas* canvas = painting.canvas;
  const TColor color = PointColor(painting, j);
  for (const int32_t endPoint : {startPoint, currentPoint})
    if (j == endPoint) DrawDisc(canvas, p.x - 2, p.y - 2, p.x + 3, p.y + 3, clBlue);
  canvas->SetPixel(p.x, p.y, color);
  canvas->Pen()->SetColor(color);
  DrawDisc(canvas, p.x - 1, p.y - 1, p.x + 2, p.y + 2, color);
}

// The map area that may hold what is drawn into rect at the zoom level, in
// map units along X and negated Y, with room for a point's mark and for
// rounding. Where a scale is 0 every position falls on the first column or
// row: the whole axis.
struct MapArea {
  double x0, negY0, x1, negY1;
};
MapArea AreaOf(const MapView& view, const PixelRect& rect) {
  constexpr int kMargin = 4;
  constexpr double kAll = std::numeric_limits<double>::max();
  MapArea area{-kAll, -kAll, kAll, kAll};
  if (view.scaleX != 0.0) {
    area.x0 = PixelToMapX(view, rect.left - kMargin) - 1;
    area.x1 = PixelToMapX(view, rect.right + kMargin) + 1;
  }
  if (view.scaleY != 0.0) {
    area.negY0 = -PixelToMapY(view, rect.top - kMargin) - 1;
    area.negY1 = -PixelToMapY(view, rect.bottom + kMargin) + 1;
  }
  return area;
}

PixelRect Clamped(PixelRect r, const MapView& view) {
  return {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, view.width),
          std::min(r.bottom, view.height)};
}

int32_t PointOwner(int32_t j) { return segmentCount + j; }

// Draws the pairs of segment i with the pen in its colour, as lines that may
// reach beyond the image.
void DrawSegment(const Painting& painting, int32_t i) {
  TCanvas* canvas = painting.canvas;
  const TColor color = SegmentColor(painting, i);
  ForEachDrawnPair(i, painting.view, [&](FarPixel a, FarPixel b) {
    canvas->Pen()->SetColor(color);
    canvas->Line(a.x, a.y, b.x, b.y);
  });
}

constexpr int kCursorOffsets[4][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};

}  // namespace

RouteItems::Indices::Indices(std::vector<int32_t> items, bool withBits) : sorted(std::move(items)) {
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  if (!withBits || sorted.empty() || sorted.back() < 0) return;
  bits.resize(static_cast<size_t>(sorted.back()) + 1);
  for (const int32_t i : sorted)
    if (i >= 0) bits[i] = true;
}

bool RouteItems::Indices::Has(int32_t i) const {
  if (bits.empty()) return std::binary_search(sorted.begin(), sorted.end(), i);
  return i >= 0 && static_cast<size_t>(i) < bits.size() && bits[i];
}

RouteItems::RouteItems(const RoutePath& route, bool askedOfEveryItem)
    : segments_(route.segments, askedOfEveryItem) {
  std::vector<int32_t> indices = route.codes;
  for (int32_t& code : indices) --code;
  points_ = Indices(std::move(indices), askedOfEveryItem);
}

void PaintWholeMap(const Painting& painting) {
  TCanvas* canvas = painting.canvas;
  canvas->SetOwnerMode(TOwnerMode::kRecord);
  if (painting.lines) {
    for (int32_t i = 0; i < segmentCount; ++i) {
      canvas->SetOwner(i);
      const TColor color = SegmentColor(painting, i);
      ForEachDrawnPair(i, painting.view, [&](FarPixel a, FarPixel b) {
        canvas->Pen()->SetColor(color);
        canvas->MoveTo(static_cast<int>(a.x), static_cast<int>(a.y));
        canvas->LineTo(static_cast<int>(b.x), static_cast<int>(b.y));
      });
    }
  }
  if (painting.points) {
    for (int32_t j = 0; j < pointCount; ++j) {
      const Pixel p = PixelOfPoint(painting.view, j);
      if (!Contains(painting.view, p)) continue;
      canvas->SetOwner(PointOwner(j));
      DrawPoint(painting, j, p);
    }
  }
}

void PaintRect(const Painting& painting, const PixelRect& rect) {
  TCanvas* canvas = painting.canvas;
  canvas->SetClipRect(TRect(rect.left, rect.top, rect.right, rect.bottom));
  canvas->SetOwnerMode(TOwnerMode::kIgnore);  // see PictureMemory::owners
  canvas->Brush()->SetColor(clWindow);
  canvas->FillRect(TRect(rect.left, rect.top, rect.right, rect.bottom));
  canvas->SetOwnerMode(TOwnerMode::kRecord);
  const MapArea area = AreaOf(painting.view, rect);
  std::vector<int32_t>& areaIds = painting.memory->areaIds;
  if (painting.lines) {
    SegmentsInArea(area.x0, area.negY0, area.x1, area.negY1, areaIds);
    for (const int32_t i : areaIds) {
      canvas->SetOwner(i);
      DrawSegment(painting, i);
    }
  }
  if (painting.points) {
    PointsInArea(area.x0, area.negY0, area.x1, area.negY1, areaIds);
    for (const int32_t j : areaIds) {
      Pixel p;
      if (!DrawnAt(j, painting.view, p)) continue;
      if (j == startPoint || j == currentPoint) canvas->Pen()->SetColor(WholeMapPenBefore(painting, j));
      canvas->SetOwner(PointOwner(j));
      DrawPoint(painting, j, p);
    }
  }
  canvas->ResetClipRect();
}

void RecolourOwnedPixelsOfSegment(const Painting& painting, int32_t i) {
  if (i < 0 || i >= segmentCount) return;  // a route of an earlier table's graph
  painting.canvas->SetOwnerMode(TOwnerMode::kOnlyOwned);
  painting.canvas->SetOwner(i);
  DrawSegment(painting, i);
}

void RecolourOwnedPixelsOfPoint(const Painting& painting, int32_t j) {
  Pixel p;
  if (j < 0 || j >= pointCount || j == startPoint || j == currentPoint || !DrawnAt(j, painting.view, p))
    return;
  painting.canvas->SetOwnerMode(TOwnerMode::kOnlyOwned);
  painting.canvas->SetOwner(PointOwner(j));
  DrawPoint(painting, j, p);
}

bool EndMarkTakesPenAtStart(const Painting& painting, int32_t j) {
  return j >= 0 && j < pointCount && LastPointInWholeMap(j, painting.view) < 0 &&
         (!painting.lines || LastSegmentInWholeMap(painting.view) < 0);
}

void LeaveWholeMapPenAndBrush(const Painting& painting) {
  TCanvas* canvas = painting.canvas;
  const int32_t last = painting.points ? LastPointInWholeMap(pointCount, painting.view) : -1;
  if (last >= 0) {
    const TColor color = PointColor(painting, last);
    canvas->Pen()->SetColor(color);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(color);
    return;
  }
  canvas->Brush()->SetColor(clWindow);
  const int32_t segment = painting.lines ? LastSegmentInWholeMap(painting.view) : -1;
  canvas->Pen()->SetColor(segment >= 0 ? SegmentColor(painting, segment) : painting.penAtStart);
}

void AppendBoxesOfPoint(int32_t j, const MapView& view, std::vector<PixelRect>& boxes) {
  Pixel p;
  if (j < 0 || j >= pointCount || !DrawnAt(j, view, p)) return;
  boxes.push_back(Clamped({p.x - 2, p.y - 2, p.x + 3, p.y + 3}, view));
}

PixelRect CursorMarkBox(int32_t x, int32_t y, const MapView& view) {
  if (x <= 0 || x >= view.width - 1 || y <= 0 || y >= view.height - 1) return {0, 0, 0, 0};
  return {x - 1, y - 1, x + 2, y + 2};
}

void DrawCursorMark(const Painting& painting) {
  UnderCursorMark& underCursorMark = painting.memory->underCursorMark;
  underCursorMark.kept = false;
  const int32_t x = painting.view.pointerX, y = painting.view.pointerY;
  const PixelRect box = CursorMarkBox(x, y, painting.view);
  if (box.right == box.left) return;
  underCursorMark = {true, x, y, {}};
  for (int k = 0; k < 4; ++k)
    underCursorMark.pixels[k] = painting.canvas->Pixel(x + kCursorOffsets[k][0], y + kCursorOffsets[k][1]);
  painting.canvas->SetOwnerMode(TOwnerMode::kIgnore);
  for (const auto& offset : kCursorOffsets) painting.canvas->SetPixel(x + offset[0], y + offset[1], clGray);
}

void EraseCursorMark(const Painting& painting) {
  UnderCursorMark& underCursorMark = painting.memory->underCursorMark;
  if (!underCursorMark.kept) return;
  TCanvas* canvas = painting.canvas;
  canvas->SetOwnerMode(TOwnerMode::kIgnore);
  for (int k = 3; k >= 0; --k) {
    canvas->SetPixel(underCursorMark.x + kCursorOffsets[k][0], underCursorMark.y + kCursorOffsets[k][1],
                     underCursorMark.pixels[k]);
  }
  underCursorMark.kept = false;
}
