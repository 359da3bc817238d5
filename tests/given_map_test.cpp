// A map given to the program, as a file manager or a terminal gives it:
// opened from the event loop, through the real window offscreen, as File,
// Open... opens a chosen file.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMessageBox>
#include <string>
#include <tuple>

#include "app/main_form.h"
#include "map/map_store.h"
#include "tests/main_form_fixture.h"
#include "tests/modal_script.h"
#include "tests/test_files.h"
#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/dialogs.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"

namespace {

// PanelM and ImageM visible, Close and Find enabled, the number of points,
// where File, Open... starts next, the message box shown.
using Outcome = std::tuple<bool, bool, bool, bool, int32_t, std::string, std::string>;

// Opens path as the entry function has the event loop open the program's
// first argument, dismissing any message box.
Outcome OpenFromTheEventLoop(const std::string& path) {
  std::string message;
  Application->Queue([path] { fMain->OpenGivenMap(path); });
  RunWithModalSteps(
      [] {
        QCoreApplication::processEvents();
        WaitForMapWork();
      },
      {[&](QWidget* modal) {
        message = qobject_cast<QMessageBox*>(modal)->text().toStdString();
        qobject_cast<QMessageBox*>(modal)->accept();
      }});
  return {fMain->PanelM->Visible(),
          fMain->ImageM->Visible(),
          fMain->Close1->Enabled(),
          fMain->Find1->Enabled(),
          pointCount,
          fMain->OpenDialog1->FileName(),
          message};
}

using GivenMapTest = MainFormTest;

TEST_F(GivenMapTest, IsOpenedAsAChosenFileIs) {
  TempDir dir;
  const std::string good = WriteLayers(dir, ExampleTown()), sLayer = dir / "Stown.mif";
  const std::string bad = WriteLayers(dir, {"Point 1 2\nPoint 3 x\n", "", "", ""}, "bad");
  const std::string missing = dir / "Mnone.mif", preset = fMain->OpenDialog1->FileName();
  const std::pair<std::string, Outcome> cases[] = {
      {good, {true, true, true, true, 3, good, ""}},
      // A name without a capital M is ignored, as the dialog ignores it.
      {sLayer, {true, false, false, false, 0, sLayer, ""}},
      // A failed load: its message, Close enabled, the map area as it was.
      {bad, {true, false, true, false, 2, bad, "Mbad.mif, line 2: 'x' is not a valid integer value"}},
      // A path that names no file is refused before anything changes.
      {missing,
       {true, false, false, false, 0, preset, "cannot open " + missing + ": No such file or directory"}},
      {dir.Path(), {true, false, false, false, 0, preset, "cannot open " + dir.Path() + ": Is a directory"}},
  };
  for (const auto& [path, outcome] : cases) {
    fMain->Close1Click(fMain);
    fMain->OpenDialog1->FileName(preset);
    fMain->PanelM->Visible(true);
    EXPECT_EQ(OpenFromTheEventLoop(path), outcome) << path;
  }
}

}  // namespace
