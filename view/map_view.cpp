#include <cstdint>

#include "app/main_form.h"
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

// The pixel of map position (x, y).
Pixel PixelAt(int32_t x, int32_t y) { return {MapToPixelX(x), MapToPixelY(y)}; }

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

// Whether the route flag of index is set. The flag arrays end at
// GRAPH_CAPACITY; an index beyond counts as off the route.
bool OnRoute(const int32_t (&flags)[GRAPH_CAPACITY], int32_t index) {
  return index < GRAPH_CAPACITY && flags[index] != 0;
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
    Pixel a = PixelAt(vertices[0].x, vertices[0].y);
    for (int32_t k = 1; k < vertices.Length(); ++k) {
      const Pixel b = PixelAt(vertices[k].x, vertices[k].y);
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

// Draws every point inside the image as a 3 x 3 dot, red on the route and
// black elsewhere; the start and current points are blue, on a 5 x 5 disc
// each. Later points cover earlier ones.
void DrawPoints(TCanvas* canvas, ViewSize view) {
  for (int32_t j = 0; j < pointCount; ++j) {
    const Pixel p = PixelAt(points[j].X, points[j].Y);
    if (!view.Contains(p)) continue;
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
// the View options say, cursor mark.
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
  if (Lines1->Checked()) DrawSegments(canvas, view);
  if (Points1->Checked()) DrawPoints(canvas, view);
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
