#include "app/main_form_resource.h"

#include "app/main_form.h"
#include "app/ruvel.xpm"  // the window icon, ruvel_xpm
#include "toolkit/colors.h"
#include "toolkit/controls.h"
#include "toolkit/dialogs.h"
#include "toolkit/find_dialog.h"
#include "toolkit/image.h"
#include "toolkit/list_box.h"
#include "toolkit/menus.h"

namespace {

TMenuItem* NewMenuItem(TfMain* form, const std::string& caption) {
  auto* item = new TMenuItem(form);
  item->Caption(caption);
  return item;
}

TLabel* NewLabel(TfMain* form, TWinControl* parent, int left, int top, const std::string& caption) {
  auto* label = new TLabel(form, parent);
  label->Left(left);
  label->Top(top);
  label->Caption(caption);
  return label;
}

// A read-out box: read-only, empty, 65 by 21.
TEdit* NewReadOut(TfMain* form, TWinControl* parent, int left, int top) {
  auto* edit = new TEdit(form, parent);
  edit->SetBounds(left, top, 65, 21);
  edit->ReadOnly(true);
  edit->SetText("");
  return edit;
}

void CreateMenu(TfMain* f) {
  f->MainMenu1 = new TMainMenu(f);
  f->File1 = NewMenuItem(f, "File");
  f->Open1 = NewMenuItem(f, "Open...");
  f->OpenRecent1 = NewMenuItem(f, "Open Recent");
  f->N2 = NewMenuItem(f, "-");
  f->ClearList1 = NewMenuItem(f, "Clear List");
  f->Close1 = NewMenuItem(f, "Close");
  f->N1 = NewMenuItem(f, "-");
  f->Exit1 = NewMenuItem(f, "Exit");
  f->View1 = NewMenuItem(f, "View");
  f->Points1 = NewMenuItem(f, "Points");
  f->Lines1 = NewMenuItem(f, "Lines");
  f->Fastest1 = NewMenuItem(f, "Fastest");
  f->RoadMap1 = NewMenuItem(f, "Road map");
  f->TrueProportions1 = NewMenuItem(f, "True proportions");
  f->Directions1 = NewMenuItem(f, "Directions");
  f->Find1 = NewMenuItem(f, "Find...");

  f->MainMenu1->Add(f->File1);
  f->File1->Add(f->Open1);
  f->File1->Add(f->OpenRecent1);
  f->OpenRecent1->Add(f->N2);
  f->OpenRecent1->Add(f->ClearList1);
  f->File1->Add(f->Close1);
  f->File1->Add(f->N1);
  f->File1->Add(f->Exit1);
  f->MainMenu1->Add(f->View1);
  f->View1->Add(f->Points1);
  f->View1->Add(f->Lines1);
  f->View1->Add(f->Fastest1);
  f->View1->Add(f->RoadMap1);
  f->View1->Add(f->TrueProportions1);
  f->View1->Add(f->Directions1);
  f->View1->Add(f->Find1);

  f->Close1->Enabled(false);
  f->Fastest1->Enabled(false);
  f->RoadMap1->Enabled(false);
  f->TrueProportions1->Enabled(false);
  f->Find1->Enabled(false);
  f->Points1->SetChecked(true);
  f->Lines1->SetChecked(true);

  f->Open1->OnClick = [f](TObject* sender) { f->Open1Click(sender); };
  f->Close1->OnClick = [f](TObject* sender) { f->Close1Click(sender); };
  f->ClearList1->OnClick = [f](TObject* sender) { f->ClearList1Click(sender); };
  f->Exit1->OnClick = [f](TObject* sender) { f->Exit1Click(sender); };
  f->Points1->OnClick = [f](TObject* sender) { f->Points1Click(sender); };
  f->Lines1->OnClick = [f](TObject* sender) { f->Lines1Click(sender); };
  f->Fastest1->OnClick = [f](TObject* sender) { f->Fastest1Click(sender); };
  f->RoadMap1->OnClick = [f](TObject* sender) { f->RoadMap1Click(sender); };
  f->TrueProportions1->OnClick = [f](TObject* sender) { f->TrueProportions1Click(sender); };
  f->Find1->OnClick = [f](TObject* sender) { f->Find1Click(sender); };
  f->Directions1->OnClick = [f](TObject* sender) { f->Directions1Click(sender); };
}

void CreateToolBar(TfMain* f) {
  f->Bevel1 = new TBevel(f, f);
  f->Bevel1->Height(2);
  f->Bevel1->Align(alTop);
  f->Bevel1->Shape(bsTopLine);

  f->PanelTools = new TPanel(f, f);
  f->PanelTools->Height(31);
  f->PanelTools->Align(alTop);
  f->PanelTools->BevelOuter(bvLowered);

  // In tab order: the boxes from X to Time.
  f->Label1 = NewLabel(f, f->PanelTools, 8, 8, "X");
  f->EditX = NewReadOut(f, f->PanelTools, 24, 4);
  f->Label2 = NewLabel(f, f->PanelTools, 104, 8, "Y");
  f->EditY = NewReadOut(f, f->PanelTools, 120, 4);
  f->Label3 = NewLabel(f, f->PanelTools, 192, 8, "Code");
  f->EditCode = NewReadOut(f, f->PanelTools, 224, 4);
  f->Label4 = NewLabel(f, f->PanelTools, 296, 8, "Index");
  f->EditIndex = NewReadOut(f, f->PanelTools, 328, 4);
  f->Label5 = NewLabel(f, f->PanelTools, 408, 8, "Length");
  f->EditL = NewReadOut(f, f->PanelTools, 448, 4);
  f->Label6 = NewLabel(f, f->PanelTools, 520, 8, "Time");
  f->EditTime = NewReadOut(f, f->PanelTools, 560, 4);
}

// The status line, below the map area.
void CreateStatusBar(TfMain* f) {
  f->StatusBar1 = new TStatusBar(f, f);
  f->StatusBar1->Height(20);
  f->StatusBar1->Align(alBottom);
}

// The directions panel, right of the map, hidden until View, Directions.
void CreateDirectionsPanel(TfMain* f) {
  f->PanelDirections = new TPanel(f, f);
  f->PanelDirections->Width(240);
  f->PanelDirections->BevelOuter(bvNone);
  f->PanelDirections->Visible(false);
  f->PanelDirections->Align(alRight);
  f->ListDirections = new TListBox(f, f->PanelDirections);
  f->ListDirections->Align(alClient);
  f->ListDirections->OnDblClick = [f](TObject* sender) { f->ListDirectionsDblClick(sender); };
}

void CreateMapArea(TfMain* f) {
  f->PanelM = new TPanel(f, f);
  f->PanelM->Align(alClient);
  f->PanelM->BevelOuter(bvNone);
  f->PanelM->BorderStyle(bsSingle);

  f->ImageM = new TImage(f, f->PanelM);
  f->ImageM->Align(alClient);
  f->ImageM->Cursor(crCross);
  f->ImageM->Visible(false);
  f->ImageM->OnMouseMove = [f](TObject* sender, TShiftState shift, int x, int y) {
    f->ImageMMouseMove(sender, shift, x, y);
  };
  f->ImageM->OnMouseDown = [f](TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
    f->ImageMMouseDown(sender, button, shift, x, y);
  };
  f->ImageM->OnMouseWheel = [f](TObject* sender, TShiftState shift, int delta, int x, int y) {
    f->ImageMMouseWheel(sender, shift, delta, x, y);
  };
}

void CreateOpenDialog(TfMain* f) {
  f->OpenDialog1 = new TOpenDialog(f);
  f->OpenDialog1->Filter("Map (*.mif)|*.mif|Any Files (*.*)|*.*");
  f->OpenDialog1->Options(ofHideReadOnly | ofPathMustExist | ofFileMustExist | ofEnableSizing);
}

void CreateFindDialog(TfMain* f) {
  f->FindDialog1 = new TFindDialog(f);
  f->FindDialog1->Caption("Find");
  f->FindDialog1->Buttons("Show", "Start here");
}

}  // namespace

void LoadMainFormResource(TfMain* f) {
  f->Caption("Ruvel");
  f->Icon(ruvel_xpm);
  f->Color(clBtnFace);
  f->FontHeight(11);
  CreateMenu(f);
  f->Menu(f->MainMenu1);
  CreateToolBar(f);
  CreateStatusBar(f);
  CreateDirectionsPanel(f);
  CreateMapArea(f);
  CreateOpenDialog(f);
  CreateFindDialog(f);
  f->Left(193);
  f->Top(107);
  f->ClientWidth(687);
  f->ClientHeight(454);

  f->OnCreate = [f](TObject* sender) { f->FormCreate(sender); };
  f->OnResize = [f](TObject* sender) { f->FormResize(sender); };
  f->OnCloseQuery = [f](TObject* sender, bool& canClose) { f->FormCloseQuery(sender, canClose); };
  // The map's zoom and pan keys reach the form whichever control has the
  // focus.
  f->KeyPreview(true);
  f->OnKeyDown = [f](TObject* sender, TKey& key, TShiftState shift) { f->FormKeyDown(sender, key, shift); };
  f->OnDropFiles = [f](TObject* sender, const std::vector<std::string>& files) {
    f->FormDropFiles(sender, files);
  };
}
