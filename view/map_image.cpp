#include "view/map_image.h"

#include "map/road_graph.h"
#include "toolkit/graphics.h"
#include "view/map_redraw.h"
#include "view/map_transform.h"
#include "view/picture_memory.h"
#include "view/road_map_renderer.h"

namespace {

RoadMapOptions RoadMapOptionsOf(const MapImageOptions& options) {
  return {options.lines, options.points, options.route.segments};
}

// What the map image's painter keeps of the picture it painted last: one
// for the program, since one image at a time is painted and redrawn.
PictureMemory& Memory() {
  static PictureMemory memory;
  return memory;
}

// How bitmap is painted now: its canvas, the view's size, the options with
// the route's items (indexed for a painting of the whole view), the pen the
// canvas holds before anything is drawn, and the picture's memory.
Painting PaintingOf(TBitmap* bitmap, const MapView& view, const MapImageOptions& options, bool wholeView) {
  TCanvas* canvas = bitmap->GetCanvas();
  return {canvas,
          view,
          options.lines,
          options.points,
          RouteItems(options.route, wholeView),
          canvas->Pen()->Color(),
          &Memory()};
}

// Lets the painting's canvas follow the memory's owner plane while it
// lives, and no longer: the plane belongs to the memory, not to the canvas.
class OwnersFollowed {
 public:
  explicit OwnersFollowed(const Painting& painting) : canvas_(painting.canvas) {
    canvas_->SetOwners(&painting.memory->owners, TOwnerMode::kIgnore);
  }
  ~OwnersFollowed() { canvas_->SetOwners(nullptr, TOwnerMode::kIgnore); }
  OwnersFollowed(const OwnersFollowed&) = delete;
  OwnersFollowed& operator=(const OwnersFollowed&) = delete;

 private:
  TCanvas* canvas_;
};

}  // namespace

void DrawMapImage(TBitmap* bitmap, MapView& view, const MapImageOptions& options) {
  bitmap->Width(view.width);
  bitmap->Height(view.height);
  if (minX == maxX || minNegY == maxNegY) {
    ForgetDrawnView(Memory());
    if (options.roadMap) options.roadMap->Forget();
    return;
  }
  FitViewScales(view);
  if (options.roadMap) {
    ForgetDrawnView(Memory());
    options.roadMap->Draw(*bitmap, view, RoadMapOptionsOf(options));
    return;
  }
  const Painting painting = PaintingOf(bitmap, view, options, true);
  ForgetDrawnView(*painting.memory);  // until the painting is complete
  // Every pixel an item paints below gets its owner.
  painting.memory->owners.resize(static_cast<size_t>(view.width) * static_cast<size_t>(view.height));
  const OwnersFollowed followed(painting);

  TCanvas* canvas = painting.canvas;
  if (IsCornerView(view)) {
    canvas->SetOwnerMode(TOwnerMode::kIgnore);  // see PictureMemory::owners
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
  if (bitmap->Width() != view.width || bitmap->Height() != view.height) return false;
  const Painting painting = PaintingOf(bitmap, view, options, false);
  const OwnersFollowed followed(painting);
  return RedrawChanges(painting);
}

void ForgetMapImage() { ForgetDrawnView(Memory()); }
