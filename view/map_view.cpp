#include "app/main_form.h"
#include "toolkit/graphics.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"

// Sizes ImageM's bitmap to the image. The drawing of the map follows.
void TfMain::DrawMap() {
  TBitmap* bitmap = ImageM->Picture()->GetBitmap();
  bitmap->Width(ImageM->Width());
  bitmap->Height(ImageM->Height());
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
