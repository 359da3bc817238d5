#include "app/main_form.h"

#include <filesystem>

#include "app/main_form_resource.h"
#include "app/program_folder.h"
#include "map/layer_loader.h"
#include "map/map_files.h"
#include "map/map_store.h"
#include "route/route_search.h"
#include "toolkit/command_line.h"
#include "toolkit/controls.h"
#include "toolkit/dialogs.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"
#include "toolkit/paths.h"
#include "toolkit/program_files.h"

TfMain* fMain = nullptr;

namespace {

// Empties the status line, unchecks Fastest and enables the items that need
// a loaded map, or disables them: Fastest needs durations too, Road map
// road classes. A map with classes opens as a road map in true proportions.
void EnableMapItems(TfMain* form, bool loaded) {
  form->StatusBar1->SimpleText("");
  form->Fastest1->SetChecked(false);
  form->Fastest1->Enabled(loaded && !segmentDuration.empty());
  const bool classes = loaded && !segmentClass.empty();
  form->RoadMap1->SetChecked(classes);
  form->RoadMap1->Enabled(classes);
  form->TrueProportions1->SetChecked(classes);
  form->TrueProportions1->Enabled(loaded);
  form->mapView.proportional = classes;
  form->Find1->Enabled(loaded);
}

}  // namespace

TfMain::TfMain(TComponent* AOwner) : TForm(AOwner) { LoadMainFormResource(this); }

// Presets the open dialog to the map folder beside the program (else to the
// installed sample maps), then draws the (empty) view.
void TfMain::FormCreate(TObject*) {
  programFolder = ProgramFolder(GetCommandLineA());
  OpenDialog1->FileName(ProgramFilePath(programFolder, "Maps/", "../share/ruvel/Maps/") + "M*.mif");
  DrawMap();
}

// Opens the map whose M layer the user chooses. A cancelled dialog changes
// nothing.
void TfMain::Open1Click(TObject*) {
  if (OpenDialog1->Execute()) OpenDialogFile();
}

void TfMain::OpenGivenMap(const std::string& path) {
  CheckRegularFile(path);
  OpenDialog1->FileName(std::filesystem::absolute(path).lexically_normal().string());
  OpenDialogFile();
}

// A file name that does not begin with a capital M changes nothing. A load
// that raises leaves with Close enabled, Fastest and Find disabled, the store
// as far as the loader got and the map area as it was.
void TfMain::OpenDialogFile() {
  if (!IsMapName(OpenDialog1->FileName())) return;
  ClearMapAndRoute();
  ShowWholeMap();
  Close1->Enabled(true);
  EnableMapItems(this, false);
  LoadMapLayers(OpenDialog1->FileName());
  EnableMapItems(this, true);
  DrawMap();
  ImageM->Visible(true);
  PanelM->Visible(true);
}

// Empties the store and the map area.
void TfMain::Close1Click(TObject*) {
  ClearMapAndRoute();
  ShowWholeMap();
  ImageM->Visible(false);
  PanelM->Visible(false);
  Close1->Enabled(false);
  EnableMapItems(this, false);
  DrawMap();
}

// The window closes in every case, with the map closed first.
void TfMain::FormCloseQuery(TObject* Sender, bool&) { Close1Click(Sender); }

void TfMain::Exit1Click(TObject*) { Close(); }
