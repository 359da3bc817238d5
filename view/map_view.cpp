#include "app/main_form.h"
#include "map/road_graph.h"
#include "toolkit/graphics.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"
#include "view/map_painting.h"
#include "view/map_redraw.h"
#include "view/map_transform.h"

namespace {

// How the map image is painted now: its canvas and size, the View options,
// and the pen the canvas holds before anything is drawn.
Painting PaintingOf(TfMain* form, TBitmap* bitmap) {
  TCanvas* canvas = bitmap->GetCanvas();
  return {canvas,
          {form->ImageM->Width(), form->ImageM->Height()},
          form->Lines1->Checked(),
          form->Points1->Checked(),
          canvas->Pen()->Color()};
}

}  // namespace

// Sizes ImageM's bitmap to the image and, unless the map has no extent on
// an axis (then the bitmap keeps its picture and the scales stay), sets the
// scales and repaints the whole view: background, segments and points as
// the View options say, cursor mark. Above zoom level 0 it draws the same
// things in the same colours and order, but only what the shown area holds,
// with roads clipped at the image's edges; the outline of an end mark takes
// the pen the whole-map view has there, and the pen and brush are left as
// that view leaves them.
void TfMain::DrawMap() {
  TBitmap* bitmap = ImageM->Picture()->GetBitmap();
  bitmap->Width(ImageM->Width());
  bitmap->Height(ImageM->Height());
  const Painting painting = PaintingOf(this, bitmap);
  if (minX == maxX || minNegY == maxNegY) {
    ForgetDrawnView();
    return;
  }
  SetViewScales(painting.view.width, painting.view.height);

  TCanvas* canvas = painting.canvas;
  if (zoomLevel == 0) {
    canvas->Brush()->SetColor(clWindow);
    canvas->FillRect(TRect(0, 0, painting.view.width, painting.view.height));
    PaintWholeMap(painting);
  } else {
    PaintRect(painting, {0, 0, painting.view.width, painting.view.height});
    LeaveWholeMapPenAndBrush(painting);
  }
  DrawCursorMark(canvas, painting.view);
  RecordDrawnView(painting);
}

// What changed since the last painting, or the whole view when the view
// itself changed.
void TfMain::RedrawMap() {
  TBitmap* bitmap = ImageM->Picture()->GetBitmap();
  if (bitmap->Width() != ImageM->Width() || bitmap->Height() != ImageM->Height() ||
      !RedrawChanges(PaintingOf(this, bitmap)))
    DrawMap();
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
