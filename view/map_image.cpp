#include "view/map_image.h"

#include "map/road_graph.h"
#include "toolkit/graphics.h"
#include "view/map_redraw.h"
#include "view/map_transform.h"
#include "view/road_map_renderer.h"

namespace {

RoadMapOptions RoadMapOptionsOf(const MapImageOptions& options) { return {options.lines, options.points}; }

// How bitmap is painted now: its canvas, the view's size, the options, and
// the pen the canvas holds before anything is drawn.
Painting PaintingOf(TBitmap* bitmap, const MapView& view, const MapImageOptions& options) {
  TCanvas* canvas = bitmap->GetCanvas();
  return {canvas, view, options.lines, options.points, canvas->Pen()->Color()};
}

}  // namespace

void DrawMapImage(TBitmap* bitmap, MapView& view, const MapImageOptions& options) {
  bitmap->Width(view.width);
  bitmap->Height(view.height);
  if (minX == maxX || minNegY == maxNegY) {
    ForgetDrawnView();
    if (options.roadMap) options.roadMap->Forget();
    return;
  }
  FitViewScales(view);
  if (options.roadMap) {
    ForgetDrawnView();
    options.roadMap->Draw(*bitmap, view, RoadMapOptionsOf(options));
    return;
  }
  const Painting painting = PaintingOf(bitmap, view, options);

  TCanvas* canvas = painting.canvas;
  if (IsCornerView(view)) {
    canvas->Brush()->SetColor(clWindow);
    canvas->FillRect(TRect(0, 0, view.width, view.height));
    PaintWholeMap(painting);
  } else {
    PaintRect(painting, {0, 0, view.width, view.height});
    LeaveWholeMapPenAndBrush(painting);
  }
  DrawCursorMark(painting);
  RecordDrawnView(painting);
}

bool RedrawMapImage(TBitmap* bitmap, const MapView& view, const MapImageOptions& options) {
  if (options.roadMap) {
    // A zoom or pan since the last painting has not placed the view yet.
    if (minX == maxX || minNegY == maxNegY) return false;
    MapView placed = view;
    FitViewScales(placed);
    return SameView(placed, view) && options.roadMap->Redraw(*bitmap, view, RoadMapOptionsOf(options));
  }
  return bitmap->Width() == view.width && bitmap->Height() == view.height &&
         RedrawChanges(PaintingOf(bitmap, view, options));
}
