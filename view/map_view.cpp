#include <algorithm>
#include <cstdint>
#include <vector>

#include "app/main_form.h"
#include "map/area_index.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/route_search.h"
#include "toolkit/graphics.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"
#include "view/map_transform.h"
#include "view/pointer_tracking.h"

namespace {

// A pixel position in the image.
struct Pixel {
  int32_t x;
  int32_t y;
};

// The pixel of a vertex.
Pixel PixelAt(const TPoint& v) { return {MapToPixelX(v.x), MapToPixelY(v.y)}; }

// The image's size in pixels, which every bounds test uses.
struct ViewSize {
  int width;
  int height;

  // One unsigned comparison per axis also rejects negative values.
  bool Contains(Pixel p) const {
    return (static_cast<uint32_t>(p.x) < static_cast<uint32_t>(width)) &
           (static_cast<uint32_t>(p.y) < static_cast<uint32_t>(height));
  }
};

// Whether the route flag of index is set. The flag arrays fit the graph
// last searched; an index beyond counts as off the route.
bool OnRoute(const std::vector<int32_t>& flags, int32_t index) {
  return static_cast<size_t>(index) < flags.size() && flags[index] != 0;
}

// Draws every pair of consecutive vertices of every segment whose two ends
// both lie inside the image, red on the route and black elsewhere; a pair
// with an end outside is skipped whole. Each vertex is transformed once, as
// the end of one pair and the start of the next.
void DrawSegments(TCanvas* canvas, ViewSize view) {
  for (int32_t i = 0; i < segmentCount; ++i) {
    const TColor color = OnRoute(segmentOnRoute, i) ? clRed : clBlack;
    const DynamicArray<TPoint>& vertices = segments[i].Vertices;
    if (vertices.Length() < 2) continue;
    Pixel a = PixelAt(vertices[0]);
    for (int32_t k = 1; k < vertices.Length(); ++k) {
      const Pixel b = PixelAt(vertices[k]);
      if (view.Contains(a) && view.Contains(b)) {
        canvas->Pen()->SetColor(color);
        canvas->MoveTo(a.x, a.y);
        canvas->LineTo(b.x, b.y);
      }
      a = b;
    }
  }
}

// Fills an ellipse in the box from (left, top) to (right, bottom) with a
// solid brush of color; its outline takes the pen colour in force.
void DrawDisc(TCanvas* canvas, int left, int top, int right, int bottom, TColor color) {
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(color);
  canvas->Ellipse(left, top, right, bottom);
}

// The blue 5 x 5 disc of the start and of the current point around p.
void DrawEndMark(TCanvas* canvas, Pixel p) { DrawDisc(canvas, p.x - 2, p.y - 2, p.x + 3, p.y + 3, clBlue); }

// Draws point j at pixel p as a 3 x 3 dot, red on the route and black
// elsewhere; the start and current points are blue, on a 5 x 5 disc each.
void DrawPoint(TCanvas* canvas, int32_t j, Pixel p) {
  TColor color = OnRoute(pointOnRoute, j) ? clRed : clBlack;
  if (j == startPoint) {
    color = clBlue;
    DrawEndMark(canvas, p);
  }
  if (j == currentPoint) {
    color = clBlue;
    DrawEndMark(canvas, p);
  }
  canvas->SetPixel(p.x, p.y, color);
  canvas->Pen()->SetColor(color);
  DrawDisc(canvas, p.x - 1, p.y - 1, p.x + 2, p.y + 2, color);
}

// Draws every point inside the image, in table order: later points cover
// earlier ones.
void DrawPoints(TCanvas* canvas, ViewSize view) {
  for (int32_t j = 0; j < pointCount; ++j) {
    const TFieldM& point = points[j];
    const Pixel p{MapToPixelX(point.X), MapToPixelY(point.Y)};
    if (view.Contains(p)) DrawPoint(canvas, j, p);
  }
}

// The part of the map a zoomed view shows, in map units along X and negated
// Y, with room around it for a point's mark and for rounding.
struct MapArea {
  double x0, negY0, x1, negY1;
};
MapArea ShownArea(ViewSize view) {
  constexpr int kMargin = 4;
  return {PixelToMapX(-kMargin) - 1, -PixelToMapY(-kMargin) - 1, PixelToMapX(view.width + kMargin) + 1,
          -PixelToMapY(view.height + kMargin) + 1};
}

// A pixel of the zoomed view, which may lie far outside the image.
struct FarPixel {
  int64_t x;
  int64_t y;
};
FarPixel ZoomedPixelAt(const TPoint& v) { return {ZoomedPixelX(v.x), ZoomedPixelY(v.y)}; }

// Whether the box of the line from a to b meets the image.
bool MayCross(FarPixel a, FarPixel b, ViewSize view) {
  return std::max(a.x, b.x) >= 0 && std::min(a.x, b.x) < view.width && std::max(a.y, b.y) >= 0 &&
         std::min(a.y, b.y) < view.height;
}

// Ids of what the shown area holds, reused from draw to draw.
std::vector<int32_t> shownIds;

// At a zoom: the segments of the shown area in table order, each pair of
// consecutive vertices whose line crosses the image drawn clipped to it
// (clipping changes no pixel inside the image).
void DrawZoomedSegments(TCanvas* canvas, ViewSize view, const MapArea& area) {
  SegmentsInArea(area.x0, area.negY0, area.x1, area.negY1, shownIds);
  for (const int32_t i : shownIds) {
    const TColor color = OnRoute(segmentOnRoute, i) ? clRed : clBlack;
    const DynamicArray<TPoint>& vertices = segments[i].Vertices;
    if (vertices.Length() < 2) continue;
    FarPixel a = ZoomedPixelAt(vertices[0]);
    for (int32_t k = 1; k < vertices.Length(); ++k) {
      const FarPixel b = ZoomedPixelAt(vertices[k]);
      if (MayCross(a, b, view)) {
        canvas->Pen()->SetColor(color);
        canvas->Line(a.x, a.y, b.x, b.y);
      }
      a = b;
    }
  }
}

// At a zoom: the points of the shown area in table order whose mark (up to
// two pixels around the point) touches the image.
void DrawZoomedPoints(TCanvas* canvas, ViewSize view, const MapArea& area) {
  PointsInArea(area.x0, area.negY0, area.x1, area.negY1, shownIds);
  for (const int32_t j : shownIds) {
    const TFieldM& point = points[j];
    const FarPixel p{ZoomedPixelX(point.X), ZoomedPixelY(point.Y)};
    if (p.x >= -2 && p.x < view.width + 2 && p.y >= -2 && p.y < view.height + 2)
      DrawPoint(canvas, j, {static_cast<int32_t>(p.x), static_cast<int32_t>(p.y)});
  }
}

// Four grey pixels diagonally around the pointer, when all of them lie
// inside the image.
void DrawCursorMark(TCanvas* canvas, ViewSize view) {
  const int32_t cx = pointerX;
  const int32_t cy = pointerY;
  if (cx <= 0 || cx >= view.width - 1 || cy <= 0 || cy >= view.height - 1) return;
  canvas->SetPixel(cx - 1, cy - 1, clGray);
  canvas->SetPixel(cx - 1, cy + 1, clGray);
  canvas->SetPixel(cx + 1, cy - 1, clGray);
  canvas->SetPixel(cx + 1, cy + 1, clGray);
}

}  // namespace

// Sizes ImageM's bitmap to the image and, unless the map has no extent on
// an axis (then the bitmap keeps its picture and the scales stay), sets the
// scales and repaints the whole view: background, segments and points as
// the View options say, cursor mark. Above zoom level 0 it draws the same
// things in the same colours and order, but only what the shown area holds,
// with roads clipped at the image's edges.
void TfMain::DrawMap() {
  TBitmap* bitmap = ImageM->Picture()->GetBitmap();
  bitmap->Width(ImageM->Width());
  bitmap->Height(ImageM->Height());
  const ViewSize view{ImageM->Width(), ImageM->Height()};
  if (minX == maxX) return;
  if (minNegY == maxNegY) return;
  SetViewScales(view.width, view.height);

  TCanvas* canvas = bitmap->GetCanvas();
  canvas->Brush()->SetColor(clWindow);
  canvas->FillRect(TRect(0, 0, view.width, view.height));
  if (zoomLevel == 0) {
    if (Lines1->Checked()) DrawSegments(canvas, view);
    if (Points1->Checked()) DrawPoints(canvas, view);
  } else {
    const MapArea area = ShownArea(view);
    if (Lines1->Checked()) DrawZoomedSegments(canvas, view, area);
    if (Points1->Checked()) DrawZoomedPoints(canvas, view, area);
  }
  DrawCursorMark(canvas, view);
}

// Switches the drawing of points and redraws.
void TfMain::Points1Click(TObject*) {
  Points1->SetChecked(!Points1->Checked());
  DrawMap();
}

// Switches the drawing of road segments and redraws.
void TfMain::Lines1Click(TObject*) {
  Lines1->SetChecked(!Lines1->Checked());
  DrawMap();
}

// The image has its new size by now; the view follows it.
void TfMain::FormResize(TObject*) { DrawMap(); }
