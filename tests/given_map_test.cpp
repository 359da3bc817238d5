// A map given to the program, as a file manager or a terminal gives it:
// opened from the event loop once the window is shown, through the real
// window offscreen, as File, Open... opens a chosen file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <string>
#include <tuple>

#include "app/main_form.h"
#include "app/program.h"
#include "map/map_store.h"
#include "tests/modal_script.h"
#include "tests/test_files.h"
#include "toolkit/controls.h"
#include "toolkit/dialogs.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"
#include "view/map_zoom.h"

namespace {

// PanelM and ImageM visible, Close enabled, the number of points.
using WindowState = std::tuple<bool, bool, bool, int32_t>;

// What running the program with a given map showed.
struct Outcome {
  WindowState state;
  std::string dialogFile;  // where File, Open... starts next
  std::string message;     // the message box shown, if any
};

// Runs the program as the entry function does with path as its first
// argument, dismisses any message box and, once the map's opening has run,
// notes the window's state and closes the window.
Outcome RunWithGivenMap(const std::string& path) {
  ClearMapStore();
  ResetZoom();
  Outcome outcome;
  bool openRan = false;
  QTimer closer;
  closer.setInterval(10);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (!openRan || QApplication::activeModalWidget()) return;
    closer.stop();
    outcome.state = {fMain->PanelM->Visible(), fMain->ImageM->Visible(), fMain->Close1->Enabled(),
                     pointCount};
    outcome.dialogFile = fMain->OpenDialog1->FileName();
    fMain->Close();
  });
  closer.start();
  const auto openGivenMap = [&] {
    struct RanAtExit {
      bool& ran;
      ~RanAtExit() { ran = true; }
    } atExit{openRan};
    fMain->OpenGivenMap(path);
  };
  RunWithModalSteps([&] { RunProgram(fMain, openGivenMap); }, {[&](QWidget* modal) {
                      auto* box = qobject_cast<QMessageBox*>(modal);
                      ASSERT_NE(box, nullptr);
                      outcome.message = box->text().toStdString();
                      box->accept();
                    }});
  delete fMain;
  fMain = nullptr;
  ClearMapStore();
  return outcome;
}

TEST(GivenMap, IsOpenedAsAChosenFileIs) {
  TempDir dir;
  const std::string good = WriteLayers(dir, ExampleTown());
  const std::string sLayer = dir / "Stown.mif";
  const std::string bad = WriteLayers(dir, {"Point 1 2\nPoint 3 x\n", "", "", ""}, "bad");
  const std::string missing = dir / "Mnone.mif";
  const std::string preset = "share/ruvel/Maps/M*.mif";
  const struct {
    std::string path;
    WindowState state;
    std::string dialogFile;
    std::string message;
  } cases[] = {
      {good, {true, true, true, 3}, good, ""},
      // A name without a capital M is ignored, as the dialog ignores it.
      {sLayer, {true, false, false, 0}, sLayer, ""},
      // A failed load: its message, Close enabled, the map area as it was.
      {bad, {true, false, true, 2}, bad, "Mbad.mif, line 2: 'x' is not a valid integer value"},
      // A path that names no file is refused before anything changes.
      {missing, {true, false, false, 0}, preset, "cannot open " + missing + ": No such file or directory"},
      {dir.Path(), {true, false, false, 0}, preset, "cannot open " + dir.Path() + ": Is a directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const Outcome o = RunWithGivenMap(c.path);
    EXPECT_EQ(o.state, c.state);
    EXPECT_EQ(o.dialogFile.substr(o.dialogFile.size() - std::min(o.dialogFile.size(), c.dialogFile.size())),
              c.dialogFile);
    EXPECT_EQ(o.message, c.message);
  }
}

}  // namespace
