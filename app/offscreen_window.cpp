#include "app/offscreen_window.h"

#include <cstdlib>

#include "app/main_form.h"
#include "toolkit/application.h"
#include "toolkit/image.h"

void CreateOffscreenMainWindow() {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Without a desktop session Qt warns about missing runtime folders and
  // window hints; none of that concerns a window nobody sees.
  setenv("QT_LOGGING_RULES", "*.warning=false", 0);
  Application->Initialize();
  Application->Title("Ruvel");
  Application->CreateForm(fMain);
}

void SizeMapImage(int width, int height) {
  fMain->ClientWidth(fMain->ClientWidth() + width - fMain->ImageM->Width());
  fMain->ClientHeight(fMain->ClientHeight() + height - fMain->ImageM->Height());
}
