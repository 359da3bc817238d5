#include "app/offscreen_window.h"

#include "app/main_form.h"
#include "toolkit/application.h"
#include "toolkit/image.h"

void CreateOffscreenMainWindow() {
  Application->InitializeOffscreen();
  Application->Title("Ruvel");
  Application->CreateForm(fMain);
}

void SizeMapImage(int width, int height) {
  fMain->ClientWidth(fMain->ClientWidth() + width - fMain->ImageM->Width());
  fMain->ClientHeight(fMain->ClientHeight() + height - fMain->ImageM->Height());
}
