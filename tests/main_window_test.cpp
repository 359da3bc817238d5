// The main window on Qt's offscreen platform: its start state, the File
// commands through the real open dialog, and failures shown in a message box.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <string>

#include "app/main_form.h"
#include "app/program_folder.h"
#include "map/map_store.h"
#include "tests/main_form_fixture.h"
#include "tests/modal_script.h"
#include "tests/test_files.h"
#include "toolkit/application.h"
#include "toolkit/colors.h"
#include "toolkit/dialogs.h"
#include "toolkit/exceptions.h"
#include "toolkit/graphics.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"
#include "toolkit/qt_colors.h"
#include "toolkit/text.h"
#include "view/map_transform.h"
#include "view/map_view.h"
#include "view/map_zoom.h"

namespace {

// The three-point map as <folder>/<name>.mif and its three sibling files;
// name is the M layer's base name ("Mtown").
void WriteExampleMap(const std::string& folder, const std::string& name) {
  const LayerTexts town = ExampleTown();
  const std::string sName = "S" + name.substr(1);
  WriteFile(folder + "/" + name + ".mif", town.mMif);
  WriteFile(folder + "/" + name + ".mid", town.mMid);
  WriteFile(folder + "/" + sName + ".mif", town.sMif);
  WriteFile(folder + "/" + sName + ".mid", town.sMid);
}

// A modal step that picks path in the open dialog and confirms it.
std::function<void(QWidget*)> ChooseFile(const std::string& path) {
  return [path](QWidget* modal) { ConfirmFileDialog(modal, path); };
}

std::function<void(QWidget*)> CancelDialog() {
  return [](QWidget* modal) {
    ASSERT_NE(qobject_cast<QFileDialog*>(modal), nullptr);
    qobject_cast<QDialog*>(modal)->reject();
  };
}

// A modal step that expects a message box, keeps its text and dismisses it.
std::function<void(QWidget*)> DismissMessage(QString& text) {
  return [&text](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    text = box->text();
    box->accept();
  };
}

// What tells the window's states apart: PanelM and ImageM visible, Close1
// enabled, the number of points and of segments in the store.
using WindowState = std::tuple<bool, bool, bool, int32_t, int32_t>;

WindowState CurrentState() {
  return {fMain->PanelM->Visible(), fMain->ImageM->Visible(), fMain->Close1->Enabled(), pointCount,
          segmentCount};
}

const WindowState kStart{true, false, false, 0, 0};
const WindowState kExampleOpen{true, true, true, 3, 2};
const WindowState kClosed{false, false, false, 0, 0};

class MainWindowTest : public MainFormTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(maps_.isValid());
    folder_ = maps_.path().toStdString();
    MainFormTest::SetUp();
  }

  // File, Open... with the given steps for the dialogs that come up.
  int Open(std::vector<std::function<void(QWidget*)>> steps) {
    return RunWithModalSteps(
        [] {
          fMain->Open1->Action()->trigger();
          WaitForMapWork();
        },
        std::move(steps));
  }

  void OpenExample() {
    WriteExampleMap(folder_, "Mtown");
    ASSERT_EQ(Open({ChooseFile(folder_ + "/Mtown.mif")}), 1);
    ASSERT_EQ(CurrentState(), kExampleOpen);
  }

  QTemporaryDir maps_;
  std::string folder_;
};

TEST_F(MainWindowTest, StartsWithTheWindowOfTheFormResource) {
  EXPECT_EQ(Application->MainForm(), fMain);
  EXPECT_EQ(fMain->Caption(), "Ruvel");
  EXPECT_FALSE(fMain->Widget()->isVisible());  // CreateForm does not show the form
  EXPECT_EQ(fMain->Left(), 193);
  EXPECT_EQ(fMain->Top(), 107);
  EXPECT_EQ(fMain->ClientWidth(), 687);
  EXPECT_EQ(fMain->ClientHeight(), 454);  // the status line's 20 pixels below the map area
  EXPECT_EQ(fMain->ClientWidget()->size(), QSize(687, 454));
  EXPECT_EQ(fMain->MainMenu1->MenuBar()->geometry().bottom() + 1, fMain->ClientWidget()->y());
  EXPECT_EQ(fMain->Widget()->font().pixelSize(), 11);
  EXPECT_EQ(fMain->Widget()->palette().color(QPalette::Window), ToQColor(clBtnFace));
  EXPECT_FALSE(fMain->Widget()->windowIcon().isNull());
  EXPECT_EQ(kStart, CurrentState());
}

TEST_F(MainWindowTest, PlacesEveryControlAtItsDesignPosition) {
  struct Placement {
    const char* name;
    TControl* control;
    QRect bounds;  // left, top, width, height in the parent's client area
    QRect widget;  // the widget's geometry within its parent widget
  };
  const Placement placements[] = {
      {"Bevel1", fMain->Bevel1, {0, 0, 687, 2}, {0, 0, 687, 2}},
      {"PanelTools", fMain->PanelTools, {0, 2, 687, 31}, {0, 2, 687, 31}},
      {"PanelM", fMain->PanelM, {0, 33, 687, 401}, {0, 33, 687, 401}},
      {"StatusBar1", fMain->StatusBar1, {0, 434, 687, 20}, {0, 434, 687, 20}},
      {"ImageM", fMain->ImageM, {0, 0, 683, 397}, {2, 2, 683, 397}},
      {"EditX", fMain->EditX, {24, 4, 65, 21}, {24, 4, 65, 21}},
      {"EditY", fMain->EditY, {120, 4, 65, 21}, {120, 4, 65, 21}},
      {"EditCode", fMain->EditCode, {224, 4, 65, 21}, {224, 4, 65, 21}},
      {"EditIndex", fMain->EditIndex, {328, 4, 65, 21}, {328, 4, 65, 21}},
      {"EditL", fMain->EditL, {448, 4, 65, 21}, {448, 4, 65, 21}},
      {"EditTime", fMain->EditTime, {560, 4, 65, 21}, {560, 4, 65, 21}},
  };
  for (const Placement& p : placements) {
    SCOPED_TRACE(p.name);
    EXPECT_EQ(QRect(p.control->Left(), p.control->Top(), p.control->Width(), p.control->Height()), p.bounds);
    EXPECT_EQ(p.control->Widget()->geometry(), p.widget);
  }
  EXPECT_EQ(fMain->ImageM->Widget()->parentWidget(), fMain->PanelM->Widget());
  EXPECT_EQ(fMain->EditX->Widget()->parentWidget(), fMain->PanelTools->Widget());
  EXPECT_EQ(fMain->PanelTools->BevelOuter(), bvLowered);
  EXPECT_EQ(fMain->PanelM->BevelOuter(), bvNone);
  EXPECT_EQ(fMain->PanelM->BorderStyle(), bsSingle);
  EXPECT_EQ(fMain->Bevel1->Shape(), bsTopLine);
}

TEST_F(MainWindowTest, LabelsAndReadOutBoxesStartAsDesigned) {
  const std::tuple<TLabel*, const char*, int> labels[] = {
      {fMain->Label1, "X", 8},       {fMain->Label2, "Y", 104},      {fMain->Label3, "Code", 192},
      {fMain->Label4, "Index", 296}, {fMain->Label5, "Length", 408}, {fMain->Label6, "Time", 520}};
  for (const auto& [label, caption, left] : labels) {
    EXPECT_EQ(label->Caption(), caption);
    EXPECT_EQ(QPoint(label->Left(), label->Top()), QPoint(left, 8)) << caption;
    EXPECT_EQ(label->Widget()->parentWidget(), fMain->PanelTools->Widget());
  }
  // Read-only, empty, in tab order from X to Time.
  QList<QWidget*> boxes;
  for (const TEdit* box :
       {fMain->EditX, fMain->EditY, fMain->EditCode, fMain->EditIndex, fMain->EditL, fMain->EditTime}) {
    EXPECT_TRUE(box->ReadOnly());
    EXPECT_EQ(box->Text(), "");
    boxes.append(box->Widget());
  }
  QList<QWidget*> tabOrder;
  for (QWidget* w = fMain->Widget()->nextInFocusChain(); w != fMain->Widget(); w = w->nextInFocusChain())
    if (qobject_cast<QLineEdit*>(w)) tabOrder.append(w);
  EXPECT_EQ(tabOrder, boxes);
}

TEST_F(MainWindowTest, MenuHasItsCaptionsStatesAndNoShortcuts) {
  struct Item {
    TMenuItem* item;
    const char* caption;
    bool enabled;
    bool checked;
  };
  const Item items[] = {{fMain->File1, "File", true, false},
                        {fMain->Open1, "Open...", true, false},
                        {fMain->OpenRecent1, "Open Recent", false, false},
                        {fMain->N2, "-", true, false},
                        {fMain->ClearList1, "Clear List", true, false},
                        {fMain->Close1, "Close", false, false},
                        {fMain->N1, "-", true, false},
                        {fMain->Exit1, "Exit", true, false},
                        {fMain->View1, "View", true, false},
                        {fMain->Points1, "Points", true, true},
                        {fMain->Lines1, "Lines", true, true},
                        {fMain->Fastest1, "Fastest", false, false},
                        {fMain->RoadMap1, "Road map", false, false},
                        {fMain->TrueProportions1, "True proportions", false, false},
                        {fMain->Find1, "Find...", false, false},
                        {fMain->Directions1, "Directions", true, false}};
  for (const Item& i : items) {
    SCOPED_TRACE(i.caption);
    EXPECT_EQ(i.item->Caption(), i.caption);
    EXPECT_EQ(i.item->Enabled(), i.enabled);
    EXPECT_EQ(i.item->Checked(), i.checked);
    EXPECT_EQ(i.item->Action()->isChecked(), i.checked);
    EXPECT_TRUE(i.item->Action()->shortcuts().isEmpty());
    EXPECT_TRUE(QKeySequence::mnemonic(i.item->Action()->text()).isEmpty());
  }
  EXPECT_TRUE(fMain->N1->Action()->isSeparator());
  EXPECT_TRUE(fMain->N1->Action()->text().isEmpty());  // a style would draw a "-" beside the line
  EXPECT_EQ(fMain->MainMenu1->MenuBar()->actions(),
            (QList<QAction*>{fMain->File1->Action(), fMain->View1->Action()}));
  EXPECT_EQ(fMain->File1->Action()->menu()->actions(),
            (QList<QAction*>{fMain->Open1->Action(), fMain->OpenRecent1->Action(), fMain->Close1->Action(),
                             fMain->N1->Action(), fMain->Exit1->Action()}));
  // Open Recent: its hidden entries for the maps opened last, a line, Clear List.
  const QList<QAction*> recent = fMain->OpenRecent1->Action()->menu()->actions();
  ASSERT_EQ(recent.size(), 10);
  for (int i = 0; i < 8; ++i) EXPECT_FALSE(recent[i]->isVisible());
  EXPECT_EQ(recent.mid(8), (QList<QAction*>{fMain->N2->Action(), fMain->ClearList1->Action()}));
  EXPECT_EQ(fMain->View1->Action()->menu()->actions(),
            (QList<QAction*>{fMain->Points1->Action(), fMain->Lines1->Action(), fMain->Fastest1->Action(),
                             fMain->RoadMap1->Action(), fMain->TrueProportions1->Action(),
                             fMain->Directions1->Action(), fMain->Find1->Action()}));
}

// The test program has no Maps folder beside it: the dialog starts where an
// installation keeps the sample maps.
TEST_F(MainWindowTest, FormCreatePresetsTheDialogToTheSampleMaps) {
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  const std::string exeFolder = exe.parent_path().string() + "/";
  EXPECT_EQ(programFolder, exeFolder);
  ASSERT_FALSE(std::filesystem::exists(exeFolder + "Maps"));
  EXPECT_EQ(fMain->OpenDialog1->FileName(),
            exe.parent_path().parent_path().string() + "/share/ruvel/Maps/M*.mif");
  EXPECT_EQ(fMain->OpenDialog1->Filter(), "Map (*.mif)|*.mif|Any Files (*.*)|*.*");
  EXPECT_EQ(fMain->OpenDialog1->Options(),
            ofHideReadOnly | ofPathMustExist | ofFileMustExist | ofEnableSizing);
  // FormCreate's DrawMap sized the (hidden) image's bitmap.
  EXPECT_EQ(fMain->ImageM->Picture()->GetBitmap()->Width(), 683);
  EXPECT_EQ(fMain->ImageM->Picture()->GetBitmap()->Height(), 397);
}

TEST_F(MainWindowTest, OpenLoadsTheChosenMapAndShowsIt) {
  OpenExample();
  EXPECT_EQ(fMain->OpenDialog1->FileName(), folder_ + "/Mtown.mif");
  EXPECT_EQ(points[2].Code, 3);
  EXPECT_EQ(segments[1].Length, 210);
}

TEST_F(MainWindowTest, OpenClearsTheEarlierMapFirst) {
  OpenExample();
  startPoint = 1;
  currentPoint = 2;
  ASSERT_TRUE(ZoomAround(View(), 3, 10, 10));
  ASSERT_EQ(Open({ChooseFile(folder_ + "/Mtown.mif")}), 1);
  EXPECT_EQ(CurrentState(), kExampleOpen);
  EXPECT_EQ(startPoint, -1);
  EXPECT_EQ(currentPoint, -1);
  EXPECT_EQ(View().zoomLevel, 0);  // the new map is shown whole
}

TEST_F(MainWindowTest, CancelAndNamesNotBeginningWithCapitalMChangeNothing) {
  WriteExampleMap(folder_, "mtown");  // lowercase m
  WriteExampleMap(folder_, "Stown");  // an S layer chosen as the map
  for (const bool mapOpen : {false, true}) {
    if (mapOpen) OpenExample();
    const WindowState before = CurrentState();
    const std::function<void(QWidget*)> steps[] = {CancelDialog(), ChooseFile(folder_ + "/mtown.mif"),
                                                   ChooseFile(folder_ + "/Stown.mif")};
    for (const auto& step : steps) {
      ASSERT_EQ(Open({step}), 1);
      EXPECT_EQ(CurrentState(), before) << "map open: " << mapOpen;
    }
  }
}

TEST_F(MainWindowTest, AnyExtensionIsHandedToTheLoader) {
  WriteExampleMap(folder_, "Mtown");
  std::filesystem::copy_file(folder_ + "/Mtown.mif", folder_ + "/Mtown.txt");
  ASSERT_EQ(Open({ChooseFile(folder_ + "/Mtown.txt")}), 1);
  EXPECT_EQ(CurrentState(), kExampleOpen);
}

TEST_F(MainWindowTest, CloseEmptiesTheStoreAndHidesTheMapArea) {
  OpenExample();
  fMain->Close1->Action()->trigger();
  EXPECT_EQ(CurrentState(), kClosed);
  EXPECT_EQ(startPoint, -1);
  // The View commands still work on the hidden image.
  fMain->Points1->Action()->trigger();
  EXPECT_FALSE(fMain->Points1->Checked());
  // Open from the closed state shows both again.
  ASSERT_EQ(Open({ChooseFile(folder_ + "/Mtown.mif")}), 1);
  EXPECT_EQ(CurrentState(), kExampleOpen);
}

TEST_F(MainWindowTest, ReadOutBoxesKeepTheirTextThroughCloseAndOpen) {
  TEdit* boxes[] = {fMain->EditX,     fMain->EditY, fMain->EditCode,
                    fMain->EditIndex, fMain->EditL, fMain->EditTime};
  for (size_t i = 0; i < std::size(boxes); ++i) boxes[i]->SetText("text " + std::to_string(i));
  OpenExample();
  fMain->Close1->Action()->trigger();
  ASSERT_EQ(Open({ChooseFile(folder_ + "/Mtown.mif")}), 1);
  for (size_t i = 0; i < std::size(boxes); ++i) EXPECT_EQ(boxes[i]->Text(), "text " + std::to_string(i));
}

TEST_F(MainWindowTest, ExitAndTheCloseBoxCloseTheWindowWithAnEmptyStore) {
  const std::function<void()> closers[] = {[] { fMain->Exit1->Action()->trigger(); },
                                           [] { fMain->Widget()->close(); }};
  for (const auto& closeWindow : closers) {
    fMain->Show();
    OpenExample();
    closeWindow();
    EXPECT_FALSE(fMain->Widget()->isVisible());
    EXPECT_EQ(CurrentState(), kClosed);
  }
}

TEST_F(MainWindowTest, RunEndsWhenTheMainWindowCloses) {
  QTimer::singleShot(50, [] { fMain->Exit1->Action()->trigger(); });
  Application->Run();
  EXPECT_FALSE(fMain->Widget()->isVisible());
}

TEST_F(MainWindowTest, MalformedMapIsReportedAndTheWindowStaysUsable) {
  WriteExampleMap(folder_, "Mbad");
  WriteFile(folder_ + "/Mbad.mif", "Point 1.5 2\n");
  std::string expected;
  try {
    StrToInt("1.5");
  } catch (const Exception& e) {
    expected = e.what();
  }
  QString shown;
  ASSERT_EQ(Open({ChooseFile(folder_ + "/Mbad.mif"), DismissMessage(shown)}), 2);
  EXPECT_EQ(shown.toStdString(), "Mbad.mif, line 1: " + expected);
  // Close stays enabled; the map area is as it was before the command.
  EXPECT_TRUE(fMain->Close1->Enabled());
  EXPECT_TRUE(fMain->PanelM->Visible());
  EXPECT_FALSE(fMain->ImageM->Visible());
  OpenExample();
}

// A load that fails over an open map: the earlier map's picture stays on
// screen, not redrawn; Close stays enabled; the store was cleared, so there
// is no start or current point.
TEST_F(MainWindowTest, FailedLoadOverAnOpenMapKeepsTheEarlierPicture) {
  OpenExample();
  fMain->ImageMMouseMove(fMain->ImageM, 0, 31, 50);
  fMain->ImageMMouseDown(fMain->ImageM, mbLeft, 0, 31, 50);
  ASSERT_EQ(startPoint, 0);
  const QImage before = fMain->ImageM->Picture()->GetBitmap()->Image().copy();
  WriteExampleMap(folder_, "Mbad");
  WriteFile(folder_ + "/Mbad.mif", "Point 1 2\nPoint x 2\n");
  QString shown;
  ASSERT_EQ(Open({ChooseFile(folder_ + "/Mbad.mif"), DismissMessage(shown)}), 2);
  EXPECT_EQ(CurrentState(), (WindowState{true, true, true, 2, 0}));
  EXPECT_EQ(startPoint, -1);
  EXPECT_EQ(currentPoint, -1);
  EXPECT_EQ(fMain->ImageM->Picture()->GetBitmap()->Image(), before);
}

// Layer files that cannot be opened are skipped: a map of points alone
// opens like any other.
TEST_F(MainWindowTest, OpenWithMissingLayerFilesReachesTheMapOpenState) {
  WriteFile(folder_ + "/Mlone.mif", ExampleTown().mMif);
  ASSERT_EQ(Open({ChooseFile(folder_ + "/Mlone.mif")}), 1);
  EXPECT_EQ(CurrentState(), (WindowState{true, true, true, 3, 0}));
  EXPECT_EQ(points[0].Text, "");
}

TEST_F(MainWindowTest, MapAreaFollowsTheWindowSize) {
  fMain->Show();
  fMain->Widget()->resize(800, fMain->Height() + 100);
  ASSERT_TRUE(QTest::qWaitFor([] { return fMain->ClientWidth() == 800; }));
  EXPECT_EQ(fMain->ClientHeight(), 554);
  EXPECT_EQ(QSize(fMain->PanelM->Width(), fMain->PanelM->Height()), QSize(800, 501));
  EXPECT_EQ(QSize(fMain->ImageM->Width(), fMain->ImageM->Height()), QSize(796, 497));
  // FormResize redrew: the bitmap follows the image.
  TBitmap* bitmap = fMain->ImageM->Picture()->GetBitmap();
  EXPECT_EQ(QSize(bitmap->Width(), bitmap->Height()), QSize(796, 497));
}

}  // namespace
