#include "tests/main_form_fixture.h"

#include <QCoreApplication>

#include "app/main_form.h"
#include "map/map_store.h"
#include "route/route_search.h"
#include "toolkit/application.h"

MapView& View() { return fMain->mapView; }

void WaitForMapWork() {
  while (fMain->MapBusy()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

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
