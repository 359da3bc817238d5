#include "app/main_form.h"
#include "toolkit/graphics.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"
#include "view/map_image.h"
#include "view/pointer_tracking.h"

namespace {

// The map image's size in pixels.
ViewSize ImageSize(TfMain* form) { return {form->ImageM->Width(), form->ImageM->Height()}; }

// The View options as the menu shows them, and the pointer's last position.
MapImageOptions ImageOptions(TfMain* form) {
  return {form->Lines1->Checked(), form->Points1->Checked(), pointerX, pointerY};
}

}  // namespace

// Paints the whole view into ImageM's bitmap, sized to the image.
void TfMain::DrawMap() { DrawMapImage(ImageM->Picture()->GetBitmap(), ImageSize(this), ImageOptions(this)); }

// What changed since the last painting, or the whole view when the view
// itself changed.
void TfMain::RedrawMap() {
  if (!RedrawMapImage(ImageM->Picture()->GetBitmap(), ImageSize(this), ImageOptions(this))) DrawMap();
}

void TfMain::Points1Click(TObject*) {
  Points1->SetChecked(!Points1->Checked());
  DrawMap();
}

void TfMain::Lines1Click(TObject*) {
  Lines1->SetChecked(!Lines1->Checked());
  DrawMap();
}

// The image has its new size by now; the view follows it.
void TfMain::FormResize(TObject*) { DrawMap(); }
