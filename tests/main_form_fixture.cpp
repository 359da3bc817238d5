#include "tests/main_form_fixture.h"

#include "app/main_form.h"
#include "map/map_store.h"
#include "route/route_search.h"
#include "toolkit/application.h"

MapView& View() { return fMain->mapView; }

void MainFormTest::SetUp() {
  ClearMapAndRoute();
  Application->Initialize();
  Application->Title("Ruvel");
  Application->CreateForm(fMain);
}

void MainFormTest::TearDown() {
  delete fMain;
  fMain = nullptr;
  ClearMapAndRoute();
}
