#include "tests/main_form_fixture.h"

#include "app/main_form.h"
#include "map/map_store.h"
#include "toolkit/application.h"
#include "view/map_zoom.h"

void MainFormTest::SetUp() {
  ClearMapStore();
  ResetZoom();
  Application->Initialize();
  Application->Title("Ruvel");
  Application->CreateForm(fMain);
}

void MainFormTest::TearDown() {
  delete fMain;
  fMain = nullptr;
  ClearMapStore();
}
